#pragma once

#include <QObject>

class CommandActions;
class DesktopNotifications;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the desktop's tray while the window is hidden there: its menu offers the
// About..., Minimize/Maximize and Exit commands, and its default action is Minimize/Maximize; the balloon says the
// program keeps running. A desktop may have no tray at all: then no icon can be made, and the balloon's text goes out
// as a desktop notification instead, so nobody wonders where the window went.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(DesktopNotifications &notifications, CommandActions &commands, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Makes the icon when there is none; false when the desktop has no tray to put it in.
    bool ensure();
    bool exists() const { return m_icon != nullptr; }
    // Takes the icon out of the tray.
    void destroy();
    void showBalloon(const QString &title, const QString &text);

    QSystemTrayIcon *icon() const { return m_icon; }
    QMenu *menu() const { return m_menu; }

private:
    DesktopNotifications &m_notifications;
    CommandActions &m_commands;
    QMenu *m_menu;
    QSystemTrayIcon *m_icon = nullptr;
};
