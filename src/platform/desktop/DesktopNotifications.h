#pragma once

#include <QDBusConnection>
#include <QObject>
#include <optional>

class NotificationsProxy;

// Notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications). A call never waits for the service; with none running the
// notification is simply not shown.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    // bus: none for the session bus, which is connected to only when the first notification goes
    // out (connecting may start a bus first, which a window that is opening must not wait for).
    explicit DesktopNotifications(std::optional<QDBusConnection> bus = std::nullopt, QObject *parent = nullptr);
    ~DesktopNotifications() override;

    void notify(const QString &title, const QString &body, int timeoutMs);

private:
    std::optional<QDBusConnection> m_bus;
    NotificationsProxy *m_proxy = nullptr;
};
