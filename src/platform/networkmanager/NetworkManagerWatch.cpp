// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkManagerWatch.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSet>
#include <QUuid>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kActiveConnections = QStringLiteral("ActiveConnections");
const QString kState = QStringLiteral("State");
const QString kUuid = QStringLiteral("Uuid");
constexpr uint kActivated = 2; // NM_ACTIVE_CONNECTION_STATE_ACTIVATED
constexpr int kCallTimeoutMs = 2000;
// The first read happens while the program starts: a hung NetworkManager must not hold it up long.
constexpr int kFirstReadTimeoutMs = 1500;

QDBusMessage propertiesCall(const QString &path, const QString &member, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kProperties, member);
    call.setArguments(arguments);
    // A NetworkManager that is not running is left alone, not started by the bus.
    call.setAutoStartService(false);
    return call;
}

// Properties arrive as plain values or, for arrays and maps, still marshalled: qdbus_cast takes both.
QList<QDBusObjectPath> toPaths(const QVariant &value)
{
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}

QVariantMap toMap(const QVariant &value)
{
    return qdbus_cast<QVariantMap>(value);
}

bool isReply(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

} // namespace

NetworkManagerWatch::NetworkManagerWatch(const QDBusConnection &bus, QObject *parent)
    : NetworkWatch(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // An empty path matches every object, so the active connections need no subscription each.
    m_bus.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
        SLOT(onPropertiesChanged(QDBusMessage)));
    m_bus.connect(kService, QString(), kActiveInterface, QStringLiteral("StateChanged"), this,
        SLOT(onStateChanged(QDBusMessage)));
    auto *watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    // A restarted NetworkManager numbers its active connections afresh.
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { m_active.clear(); });
    // Subscribed before the first read, so a connection made between the two is not lost.
    readActiveConnections();
}

// The one call that waits: it fixes which connections were up before the watch, and a connection
// made right after the constructor returns must not be taken for one of them.
void NetworkManagerWatch::readActiveConnections()
{
    const QDBusMessage call
        = propertiesCall(kManagerPath, QStringLiteral("Get"), { kManagerInterface, kActiveConnections });
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kFirstReadTimeoutMs);
    // No NetworkManager (or no answer) leaves the watch waiting for its signals.
    if (isReply(reply))
        follow(toPaths(reply.arguments().constFirst().value<QDBusVariant>().variant()), true);
}

// alreadyUp: the list from before the watch started, whose activated connections stay unannounced.
void NetworkManagerWatch::follow(const QList<QDBusObjectPath> &paths, bool alreadyUp)
{
    QSet<QString> now;
    for (const QDBusObjectPath &path : paths)
        now.insert(path.path());
    m_active.removeIf([&now](const auto &entry) { return !now.contains(entry.key()); });
    for (const QString &path : std::as_const(now)) {
        if (m_active.contains(path))
            continue;
        m_active.insert(path, Active {});
        readActive(path, alreadyUp);
    }
}

void NetworkManagerWatch::readActive(const QString &path, bool alreadyUp)
{
    const QDBusMessage call = propertiesCall(path, QStringLiteral("GetAll"), { kActiveInterface });
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this, path, alreadyUp](QDBusPendingCallWatcher *pending) {
            pending->deleteLater();
            const auto entry = m_active.find(path);
            if (entry == m_active.end())
                return;
            const QDBusMessage reply = pending->reply();
            const QVariantMap properties = isReply(reply) ? toMap(reply.arguments().constFirst()) : QVariantMap();
            if (!properties.contains(kUuid) || !properties.contains(kState)) {
                // Forgotten, so the next change of the list that still holds it reads it again.
                m_active.erase(entry);
                return;
            }
            entry->uuid = properties.value(kUuid).toString();
            // A state signal may have overtaken this answer; states only ever move forward.
            entry->state = qMax(entry->state, properties.value(kState).toUInt());
            entry->read = true;
            entry->announced = alreadyUp && entry->state == kActivated;
            announceIfActivated(path);
        });
}

void NetworkManagerWatch::onPropertiesChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2)
        return;
    const QString interface = arguments.at(0).toString();
    const QVariantMap changed = toMap(arguments.at(1));
    if (interface == kManagerInterface && message.path() == kManagerPath && changed.contains(kActiveConnections)) {
        follow(toPaths(changed.value(kActiveConnections)), false);
    } else if (interface == kActiveInterface && changed.contains(kState)) {
        setState(message.path(), changed.value(kState).toUInt());
    }
}

void NetworkManagerWatch::onStateChanged(const QDBusMessage &message)
{
    if (!message.arguments().isEmpty())
        setState(message.path(), message.arguments().constFirst().toUInt());
}

// A path not followed yet is left to the list change that brings it, which reads its state.
void NetworkManagerWatch::setState(const QString &path, uint state)
{
    const auto entry = m_active.find(path);
    if (entry == m_active.end())
        return;
    entry->state = qMax(entry->state, state);
    announceIfActivated(path);
}

void NetworkManagerWatch::announceIfActivated(const QString &path)
{
    Active &active = m_active[path];
    if (!active.read || active.announced || active.state != kActivated)
        return;
    active.announced = true;
    const QUuid network = QUuid::fromString(active.uuid);
    if (!network.isNull())
        Q_EMIT networkConnected(network);
}
