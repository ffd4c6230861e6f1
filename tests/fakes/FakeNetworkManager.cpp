#include "FakeNetworkManager.h"

#include "NetworkManagerSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString kRoot = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kSettingsFolder = kRoot + QStringLiteral("/Settings/");
const QString kActiveFolder = kRoot + QStringLiteral("/ActiveConnection/");

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
    return false;
}

QString FakeNetworkManager::introspect(const QString &) const
{
    return {};
}
