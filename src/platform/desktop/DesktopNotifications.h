#pragma once

#include <QDBusConnection>
#include <QObject>

class NotificationsProxy;

// Notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications). A call never waits for the service; with none running the
// notification is simply not shown.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifications(
        const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~DesktopNotifications() override;

    void notify(const QString &title, const QString &body, int timeoutMs);

private:
    NotificationsProxy *m_proxy;
};
