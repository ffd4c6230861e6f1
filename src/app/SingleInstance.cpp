// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kConnectPatienceMs = 2000;
// A running copy may be showing a modal box before it answers; a scheduled start should not hang
// forever on a copy that stopped responding.
constexpr int kAnswerPatienceMs = 120000;

// The address of the socket file at path; none when the path is too long for one.
std::optional<sockaddr_un> socketAddress(const QString &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return std::nullopt;
    std::copy(name.cbegin(), name.cend(), address.sun_path);
    return address;
}

const sockaddr *asSockaddr(const sockaddr_un &address)
{
    return reinterpret_cast<const sockaddr *>(&address);
}

// Sends all of data; false when the other end is gone or the socket's time limit passed.
bool sendAll(int socket, const QByteArray &data)
{
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t now = ::send(socket, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0)
            return false;
        sent += now;
    }
    return true;
}

// One later copy's connection: its frame is read as it arrives, answered once, and closed.
class Connection : public QObject
{
public:
    Connection(int socket, const SingleInstance::Handler &handler, QObject *parent)
        : QObject(parent)
        , m_socket(socket)
        , m_handler(handler)
        , m_readable(new QSocketNotifier(socket, QSocketNotifier::Read, this))
    {
        connect(m_readable, &QSocketNotifier::activated, this, &Connection::readAvailable);
    }
    ~Connection() override { ::close(m_socket); }

private:
    void readAvailable()
    {
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::recv(m_socket, chunk, sizeof chunk, 0);
            if (got > 0) {
                m_buffer.append(chunk, got);
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            finish(); // the sender went away
            return;
        }
        const Result<std::optional<InstanceMessage>> taken = takeInstanceMessage(m_buffer);
        if (!taken) {
            finish(); // a frame that can never be valid: the connection is dropped
            return;
        }
        if (!*taken)
            return;
        // Answered once; the handler may run a modal box, during which nothing more is read.
        m_readable->setEnabled(false);
        const int answer = m_handler ? m_handler(**taken) : 0;
        QByteArray reply;
        QDataStream(&reply, QIODevice::WriteOnly) << qint32(answer);
        (void)sendAll(m_socket, reply); // four bytes into an empty buffer: never would block
        finish();
    }

    void finish()
    {
        m_readable->setEnabled(false);
        deleteLater();
    }

    int m_socket;
    const SingleInstance::Handler &m_handler;
    QSocketNotifier *m_readable;
    QByteArray m_buffer;
};

} // namespace

SingleInstance::SingleInstance(const QString &runtimeFolder, QObject *parent)
    : SingleInstance(std::make_unique<InstanceLock>(runtimeFolder), parent)
{
}

SingleInstance::SingleInstance(std::unique_ptr<InstanceLock> lock, QObject *parent)
    : QObject(parent)
    , m_lock(std::move(lock))
{
}

SingleInstance::~SingleInstance()
{
    if (m_server < 0)
        return;
    ::close(m_server);
    // The socket file goes with the copy that listened on it.
    ::unlink(QFile::encodeName(socketPath(m_lock->folder())).constData());
}

QString SingleInstance::socketPath(const QString &runtimeFolder)
{
    return InstanceLock::socketPath(runtimeFolder);
}

bool SingleInstance::tryBecomeFirst()
{
    return m_lock->tryAcquire();
}

Result<> SingleInstance::listen(Handler handler)
{
    m_handler = std::move(handler);
    const QString path = socketPath(m_lock->folder());
    const QByteArray name = QFile::encodeName(path);
    const std::optional<sockaddr_un> address = socketAddress(path);
    if (!address)
        return failed(QStringLiteral("cannot listen on %1 for other copies: the path is too long").arg(path));
    // We hold the lock, so a socket file left behind is from a copy that has gone.
    ::unlink(name.constData());
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Only this user may connect: the file is made private before anyone can (which listen()
    // allows).
    if (server < 0 || ::bind(server, asSockaddr(*address), sizeof(sockaddr_un)) != 0
        || ::chmod(name.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(server, 16) != 0) {
        const QString why = qt_error_string(errno);
        if (server >= 0)
            ::close(server);
        return failed(QStringLiteral("cannot listen on %1 for other copies: %2").arg(path, why));
    }
    m_server = server;
    m_accepting = new QSocketNotifier(server, QSocketNotifier::Read, this);
    connect(m_accepting, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return {};
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int connection = ::accept4(m_server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0 && errno == EINTR)
            continue;
        if (connection < 0)
            return;
        serve(connection);
    }
}

void SingleInstance::serve(int connection)
{
    new Connection(connection, m_handler, this);
}

std::optional<int> SingleInstance::sendToRunningCopy(const InstanceMessage &message, const QString &runtimeFolder)
{
    if (runtimeFolder.isEmpty())
        return std::nullopt; // no private folder, so no copy can be listening
    const std::optional<sockaddr_un> address = socketAddress(socketPath(runtimeFolder));
    if (!address)
        return std::nullopt;
    QDeadlineTimer patience(kConnectPatienceMs);
    int socket = -1;
    for (;;) {
        socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket >= 0 && ::connect(socket, asSockaddr(*address), sizeof(sockaddr_un)) == 0)
            break;
        if (socket >= 0)
            ::close(socket);
        if (patience.hasExpired() || !InstanceLock::isHeldByAnyone(runtimeFolder))
            return std::nullopt;
        QThread::msleep(20); // the first copy holds the lock but is still starting up
    }
    const auto closeSocket = qScopeGuard([socket] { ::close(socket); });
    const timeval sendLimit { kAnswerPatienceMs / 1000, 0 };
    (void)::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    if (!sendAll(socket, encodeInstanceMessage(message)))
        return std::nullopt;
    QByteArray reply;
    const QDeadlineTimer answerDeadline(kAnswerPatienceMs);
    while (reply.size() < 4) {
        pollfd readable { socket, POLLIN, 0 };
        const int ready = ::poll(&readable, 1, int(answerDeadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char chunk[64];
        const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        reply.append(chunk, got);
    }
    if (reply.size() < 4)
        return std::nullopt;
    qint32 answer = 0;
    QDataStream(reply) >> answer;
    return answer;
}

Result<> postNetworkSchedulesChanged()
{
    InstanceMessage message;
    message.kind = InstanceMessage::Kind::NetworkSchedulesChanged;
    if (!SingleInstance::sendToRunningCopy(message))
        return notFound(QStringLiteral("no running Ampora window answered"));
    return {};
}
