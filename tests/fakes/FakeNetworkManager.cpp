// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNetworkManager.h"

#include "NetworkManagerSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>

namespace {

const QString kRoot = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kSettingsFolder = kRoot + QStringLiteral("/Settings/");
const QString kActiveFolder = kRoot + QStringLiteral("/ActiveConnection/");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
constexpr uint kActivating = 1;
constexpr uint kActivated = 2;
constexpr uint kReasonNone = 1;

void sendPropertiesChanged(
    const QDBusConnection &bus, const QString &path, const QString &interface, const QVariantMap &changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    bus.send(signal);
}

QList<QDBusObjectPath> numberedPaths(const QString &folder, qsizetype count)
{
    QList<QDBusObjectPath> paths;
    for (qsizetype i = 0; i < count; ++i)
        paths.append(QDBusObjectPath(folder + QString::number(i + 1)));
    return paths;
}

} // namespace

FakeNetworkManager::FakeNetworkManager(QList<Saved> saved, QList<Active> active, QObject *parent)
    : QDBusVirtualObject(parent)
    , m_saved(std::move(saved))
    , m_active(std::move(active))
{
    qDBusRegisterMetaType<NetworkManagerSettings>();
}

int FakeNetworkManager::indexIn(const QString &path, const QString &folder) const
{
    bool ok = false;
    const int number = path.startsWith(folder) ? path.mid(folder.size()).toInt(&ok) : 0;
    return ok ? number - 1 : -1;
}

QVariant FakeNetworkManager::property(const QString &path, const QString &name) const
{
    if (path == kRoot && name == u"ActiveConnections")
        return QVariant::fromValue(numberedPaths(kActiveFolder, m_active.size()));
    const int index = indexIn(path, kActiveFolder);
    if (index < 0 || index >= m_active.size())
        return {};
    if (name == u"Uuid")
        return m_active.at(index).uuid;
    if (name == u"State")
        return m_active.at(index).state;
    return {};
}

QVariantMap FakeNetworkManager::properties(const QString &path) const
{
    const QStringList names = path == kRoot ? QStringList { QStringLiteral("ActiveConnections") }
                                            : QStringList { QStringLiteral("Uuid"), QStringLiteral("State") };
    QVariantMap all;
    for (const QString &name : names) {
        const QVariant value = property(path, name);
        if (value.isValid())
            all.insert(name, value);
    }
    return all;
}

QString FakeNetworkManager::activate(const QDBusConnection &bus, const QString &uuid)
{
    m_active.append({ uuid, kActivating });
    const qsizetype index = m_active.size() - 1;
    const QString path = kActiveFolder + QString::number(index + 1);
    sendPropertiesChanged(bus, kRoot, QStringLiteral("org.freedesktop.NetworkManager"),
        { { QStringLiteral("ActiveConnections"), property(kRoot, QStringLiteral("ActiveConnections")) } });
    QTimer::singleShot(0, this, [this, bus, index, path] {
        m_active[index].state = kActivated;
        QDBusMessage stateChanged = QDBusMessage::createSignal(path, kActiveInterface, QStringLiteral("StateChanged"));
        stateChanged << kActivated << kReasonNone;
        bus.send(stateChanged);
        sendPropertiesChanged(bus, path, kActiveInterface, { { QStringLiteral("State"), kActivated } });
    });
    return path;
}

bool FakeNetworkManager::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QString path = message.path();
    const QString member = message.member();
    if (m_silentOn == u"*" || m_silentOn == member)
        return true;
    if (member == u"ListConnections" && path == kRoot + QStringLiteral("/Settings"))
        return connection.send(
            message.createReply(QVariant::fromValue(numberedPaths(kSettingsFolder, m_saved.size()))));
    if (member == u"GetSettings") {
        const int index = indexIn(path, kSettingsFolder);
        if (index < 0 || index >= m_saved.size())
            return false;
        const Saved &saved = m_saved.at(index);
        if (!saved.readable) {
            return connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection.PermissionDenied"),
                QStringLiteral("not visible to this user")));
        }
        NetworkManagerSettings settings;
        settings[QStringLiteral("connection")] = QVariantMap { { QStringLiteral("id"), saved.id },
            { QStringLiteral("uuid"), saved.uuid }, { QStringLiteral("type"), saved.type } };
        settings[QStringLiteral("ipv4")] = QVariantMap { { QStringLiteral("method"), QStringLiteral("auto") } };
        return connection.send(message.createReply(QVariant::fromValue(settings)));
    }
    if (member == u"Get" && message.arguments().size() == 2) {
        const QVariant value = property(path, message.arguments().at(1).toString());
        if (!value.isValid())
            return false;
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
    }
    if (member == u"GetAll" && message.arguments().size() == 1) {
        const QVariantMap all = properties(path);
        if (all.isEmpty())
            return false;
        return connection.send(message.createReply(all));
    }
    return false;
}

QString FakeNetworkManager::introspect(const QString &) const
{
    return {};
}
