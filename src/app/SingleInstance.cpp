#include "SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {

constexpr int kConnectPatienceMs = 2000;
// A running copy may be showing a modal box before it answers; a scheduled start should not hang
// forever on a copy that stopped responding.
constexpr int kAnswerPatienceMs = 120000;

QString lockPath(const QString &folder)
{
    return folder + QStringLiteral("/ampora.lock");
}

bool lockIsHeld(const QString &folder)
{
    QLockFile probe(lockPath(folder));
    if (!probe.tryLock(0))
        return true;
    probe.unlock();
    return false;
}

} // namespace

SingleInstance::SingleInstance(const QString &runtimeFolder, QObject *parent)
    : QObject(parent)
    , m_folder(runtimeFolder)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultRuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString base = runtime.isEmpty() ? QString(QDir::tempPath() + QStringLiteral("/ampora-") + QString::number(getuid()))
                                           : QString(runtime + QStringLiteral("/ampora"));
    QDir().mkpath(base);
    QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return base;
}

QString SingleInstance::SocketPath(const QString &runtimeFolder)
{
    return runtimeFolder + QStringLiteral("/ampora.socket");
}

bool SingleInstance::tryBecomeFirst()
{
    m_lock = std::make_unique<QLockFile>(lockPath(m_folder));
    m_lock->setStaleLockTime(0); // a lock is stale only when its owner process is gone
    if (m_lock->tryLock(0))
        return true;
    m_lock.reset();
    return false;
}

bool SingleInstance::listen(Handler handler)
{
    m_handler = std::move(handler);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left behind is from a copy that has gone.
    QLocalServer::removeServer(SocketPath(m_folder));
    if (!m_server->listen(SocketPath(m_folder)))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    return true;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        bool malformed = false;
        const std::optional<InstanceMessage> message = TakeInstanceMessage(*buffer, &malformed);
        if (malformed) {
            socket->abort();
            return;
        }
        if (!message)
            return;
        const int answer = m_handler ? m_handler(*message) : 0;
        QByteArray reply;
        QDataStream(&reply, QIODevice::WriteOnly) << qint32(answer);
        socket->write(reply);
        socket->flush();
        socket->disconnectFromServer();
    });
}

std::optional<int> SingleInstance::SendToRunningCopy(const InstanceMessage &message, const QString &runtimeFolder)
{
    QLocalSocket socket;
    QDeadlineTimer patience(kConnectPatienceMs);
    for (;;) {
        socket.connectToServer(SocketPath(runtimeFolder));
        if (socket.waitForConnected(200))
            break;
        if (patience.hasExpired() || !lockIsHeld(runtimeFolder))
            return std::nullopt;
        QThread::msleep(20); // the first copy holds the lock but is still starting up
    }
    socket.write(EncodeInstanceMessage(message));
    if (!socket.waitForBytesWritten(kAnswerPatienceMs))
        return std::nullopt;
    QByteArray reply;
    QDeadlineTimer answerDeadline(kAnswerPatienceMs);
    while (reply.size() < 4 && socket.waitForReadyRead(int(answerDeadline.remainingTime())))
        reply += socket.readAll();
    reply += socket.readAll();
    if (reply.size() < 4)
        return std::nullopt;
    qint32 answer = 0;
    QDataStream(reply) >> answer;
    return answer;
}

bool PostNetworkSchedulesChanged()
{
    InstanceMessage message;
    message.kind = InstanceMessage::Kind::NetworkSchedulesChanged;
    return SingleInstance::SendToRunningCopy(message).has_value();
}
