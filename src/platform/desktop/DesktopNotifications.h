// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <functional>
#include <optional>

class NotificationsProxy;

// A picture as the notification service takes it: 8-bit RGBA rows of rowBytes each.
struct NotificationPicture
{
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    QByteArray rgba;
};

// Notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications). A call never waits for the service; with none running the
// notification is not shown, and `answered` says so.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    // bus: none for the session bus, which is connected to only when the first notification goes
    // out (connecting may start a bus first, which a window that is opening must not wait for).
    explicit DesktopNotifications(std::optional<QDBusConnection> bus = std::nullopt, QObject *parent = nullptr);
    ~DesktopNotifications() override;

    // `answered` runs once the service has taken the notification (true) or the call has failed:
    // no bus, no service, or none that answered in time (false).
    void notify(const QString &title, const QString &body, int timeoutMs, const NotificationPicture &picture = {},
        std::function<void(bool taken)> answered = {});

private:
    std::optional<QDBusConnection> m_bus;
    NotificationsProxy *m_proxy = nullptr;
};
