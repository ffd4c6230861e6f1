#include "SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

constexpr int kConnectPatienceMs = 2000;
// A running copy may be showing a modal box before it answers; a scheduled start should not hang
// forever on a copy that stopped responding.
constexpr int kAnswerPatienceMs = 120000;

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

SingleInstance::~SingleInstance() = default;

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
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left behind is from a copy that has gone.
    QLocalServer::removeServer(socketPath(m_lock->folder()));
    if (!m_server->listen(socketPath(m_lock->folder())))
        return failed(QStringLiteral("cannot listen on %1 for other copies: %2")
                          .arg(socketPath(m_lock->folder()), m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    return {};
}

void SingleInstance::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const Result<std::optional<InstanceMessage>> taken = takeInstanceMessage(*buffer);
        if (!taken) {
            socket->abort();
            return;
        }
        const std::optional<InstanceMessage> &message = *taken;
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

std::optional<int> SingleInstance::sendToRunningCopy(const InstanceMessage &message, const QString &runtimeFolder)
{
    if (runtimeFolder.isEmpty())
        return std::nullopt; // no private folder, so no copy can be listening
    QLocalSocket socket;
    QDeadlineTimer patience(kConnectPatienceMs);
    for (;;) {
        socket.connectToServer(socketPath(runtimeFolder));
        if (socket.waitForConnected(200))
            break;
        if (patience.hasExpired() || !InstanceLock::isHeldByAnyone(runtimeFolder))
            return std::nullopt;
        QThread::msleep(20); // the first copy holds the lock but is still starting up
    }
    socket.write(encodeInstanceMessage(message));
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

Result<> postNetworkSchedulesChanged()
{
    InstanceMessage message;
    message.kind = InstanceMessage::Kind::NetworkSchedulesChanged;
    if (!SingleInstance::sendToRunningCopy(message))
        return notFound(QStringLiteral("no running Ampora window answered"));
    return {};
}
