// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class CommandActions;
class DesktopNotifications;
class QMenu;
class QSystemTrayIcon;
class QTimer;

// The program's icon in the desktop's tray while the window is hidden there: its menu offers the
// About..., Minimize/Maximize and Exit commands, and its default action is Minimize/Maximize; the balloon says the
// program keeps running. The balloon goes out as a desktop notification, also when the desktop has no tray at all
// and no icon can be made, so nobody wonders where the window went.
//
// Only a session without a notification service gets Qt's own balloon at the icon; it points at the
// icon, so it waits until the tray host has embedded the icon. The tray
// host can come and go while the program runs (a panel restarted, an extension switched off): the
// icon watches for it and reports when it has gone, so the window can come back.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(DesktopNotifications &notifications, CommandActions &commands, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a tray host now.
    static bool hostPresent();

    // Makes the icon when there is none; false when the desktop has no tray to put it in.
    bool ensure();
    bool exists() const { return m_icon != nullptr; }
    // Takes the icon out of the tray.
    void destroy();
    // A desktop notification; without a notification service the balloon at the icon once it is in the tray.
    void showBalloon(const QString &title, const QString &text);

    QSystemTrayIcon *icon() const { return m_icon; }
    QMenu *menu() const { return m_menu; }

Q_SIGNALS:
    // The tray host went away while the icon was in it: the icon is gone too.
    void hostLost();

private:
    // The host has placed the icon (it has a place on the screen), or the host is a D-Bus
    // (StatusNotifierItem) host, which places icons and balloons itself.
    bool iconPlaced() const;
    void showBalloonAtIcon(const QString &title, const QString &text);
    void showPendingBalloon();
    void checkHost();

    DesktopNotifications &m_notifications;
    CommandActions &m_commands;
    QMenu *m_menu;
    QSystemTrayIcon *m_icon = nullptr;
    QTimer *m_placedWatch;
    QTimer *m_hostWatch;
    int m_placedChecks = 0;
    QString m_balloonTitle;
    QString m_balloonText;
};
