// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkManagerList.h"

#include "networkmanageractiveproxy.h"
#include "networkmanagerconnectionproxy.h"
#include "networkmanagerproxy.h"
#include "networkmanagersettingsproxy.h"

#include <QDBusMetaType>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QSet>
#include <optional>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
constexpr uint kActivated = 2; // NM_ACTIVE_CONNECTION_STATE_ACTIVATED

// What is left of the budget for the next call; never 0 or less, which would mean "default".
int timeLeft(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(1, deadline.remainingTime()));
}

// Asks the bus, not NetworkManager, so a missing service is neither started nor waited for.
bool serviceRunning(const QDBusConnection &bus, const QDeadlineTimer &deadline)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("NameHasOwner"));
    call << kService;
    const QDBusReply<bool> reply = bus.call(call, QDBus::Block, timeLeft(deadline));
    return reply.isValid() && reply.value();
}

template <typename Proxy> void prepare(Proxy &proxy, const QDeadlineTimer &deadline)
{
    proxy.setTimeout(timeLeft(deadline));
}

// Uuids of the connections that are up now; still-activating ones do not count. Nothing when a
// property read fails: a half-answered list would show connected networks as disconnected.
std::optional<QSet<QString>> activatedUuids(const QDBusConnection &bus, const QDeadlineTimer &deadline)
{
    NetworkManagerProxy manager(kService, kManagerPath, bus);
    prepare(manager, deadline);
    const QList<QDBusObjectPath> paths = manager.activeConnections();
    if (manager.lastError().isValid())
        return std::nullopt;
    QSet<QString> uuids;
    for (const QDBusObjectPath &path : paths) {
        NetworkManagerActiveProxy active(kService, path.path(), bus);
        prepare(active, deadline);
        const uint state = active.state();
        const QString uuid = active.uuid();
        if (active.lastError().isValid())
            return std::nullopt;
        if (state == kActivated)
            uuids.insert(uuid.toLower());
    }
    return uuids;
}

std::optional<NetworkList::Network> toNetwork(const NetworkManagerSettings &settings, const QSet<QString> &activated)
{
    const QVariantMap connection = settings.value(QStringLiteral("connection"));
    const QString uuid = connection.value(QStringLiteral("uuid")).toString();
    const QUuid guid = QUuid::fromString(uuid);
    if (guid.isNull() || connection.value(QStringLiteral("type")).toString() == u"loopback")
        return std::nullopt;
    return NetworkList::Network { connection.value(QStringLiteral("id")).toString(), guid,
        activated.contains(uuid.toLower()) };
}

} // namespace

NetworkManagerList::NetworkManagerList(const QDBusConnection &bus, std::chrono::milliseconds budget)
    : m_bus(bus)
    , m_budget(budget)
{
    qDBusRegisterMetaType<NetworkManagerSettings>();
}

QList<NetworkList::Network> NetworkManagerList::networks() const
{
    const QDeadlineTimer deadline(m_budget);
    if (!serviceRunning(m_bus, deadline))
        return {};
    NetworkManagerSettingsProxy settings(kService, kSettingsPath, m_bus);
    prepare(settings, deadline);
    QDBusPendingReply<QList<QDBusObjectPath>> paths = settings.ListConnections();
    paths.waitForFinished();
    if (paths.isError())
        return {};
    const std::optional<QSet<QString>> activated = activatedUuids(m_bus, deadline);
    if (!activated)
        return {};

    QList<Network> result;
    for (const QDBusObjectPath &path : paths.value()) {
        NetworkManagerConnectionProxy connection(kService, path.path(), m_bus);
        prepare(connection, deadline);
        QDBusPendingReply<NetworkManagerSettings> reply = connection.GetSettings();
        reply.waitForFinished();
        // A connection this user may not read is left out; the others still count.
        if (reply.isError())
            continue;
        if (const std::optional<Network> network = toNetwork(reply.value(), *activated))
            result.append(*network);
    }
    // Running out of time means NetworkManager stopped answering part way: trust none of it.
    return deadline.hasExpired() ? QList<Network>() : result;
}
