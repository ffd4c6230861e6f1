#include "DesktopNotifications.h"

#include "notificationsproxy.h"

DesktopNotifications::DesktopNotifications(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_proxy(new NotificationsProxy(
          QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"), bus, this))
{
}

DesktopNotifications::~DesktopNotifications() = default;

void DesktopNotifications::notify(const QString &title, const QString &body, int timeoutMs)
{
    // The reply (the notification's id) is of no use: nothing is replaced or closed later.
    (void)m_proxy->Notify(QStringLiteral("Ampora"), 0, QStringLiteral("ampora"), title, body, {}, {}, timeoutMs);
}
