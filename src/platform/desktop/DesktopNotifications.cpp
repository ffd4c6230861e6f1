#include "DesktopNotifications.h"

#include "notificationsproxy.h"

DesktopNotifications::DesktopNotifications(std::optional<QDBusConnection> bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
}

DesktopNotifications::~DesktopNotifications() = default;

void DesktopNotifications::notify(const QString &title, const QString &body, int timeoutMs)
{
    if (!m_proxy) {
        m_proxy = new NotificationsProxy(QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"), m_bus.value_or(QDBusConnection::sessionBus()), this);
    }
    // The reply (the notification's id) is of no use: nothing is replaced or closed later.
    (void)m_proxy->Notify(QStringLiteral("Ampora"), 0, QStringLiteral("ampora"), title, body, {}, {}, timeoutMs);
}
