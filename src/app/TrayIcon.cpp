// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayIcon.h"

#include "CommandActions.h"
#include "DesktopNotifications.h"
#include "Pictures.h"
#include "SharedStrings.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>
#include <QTimer>

using Program::sharedStrings;

namespace {

constexpr int kBalloonMs = 10000;
// How often, and how many times, the balloon looks whether the host has placed the icon; after
// that it is shown wherever the icon is.
constexpr int kPlacedCheckMs = 50;
constexpr int kPlacedChecks = 100;
// How often an icon in the tray looks whether the host is still there.
constexpr int kHostCheckMs = 2000;

} // namespace

TrayIcon::TrayIcon(DesktopNotifications &notifications, CommandActions &commands, QObject *parent)
    : QObject(parent)
    , m_notifications(notifications)
    , m_commands(commands)
    , m_menu(new QMenu)
    , m_placedWatch(new QTimer(this))
    , m_hostWatch(new QTimer(this))
{
    m_placedWatch->setInterval(kPlacedCheckMs);
    connect(m_placedWatch, &QTimer::timeout, this, &TrayIcon::showPendingBalloon);
    m_hostWatch->setInterval(kHostCheckMs);
    connect(m_hostWatch, &QTimer::timeout, this, &TrayIcon::checkHost);
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    // The menu's texts are fixed, not taken from the language file.
    const auto add = [this](const QString &text, CommandId id) {
        QAction *action = m_commands.action(id);
        action->setText(text);
        m_menu->addAction(action);
    };
    add(QStringLiteral("About..."), CmdTrayAbout);
    add(QStringLiteral("Minimize/Maximize"), CmdToggleTray);
    add(QStringLiteral("Exit"), CmdExitProgram);
}

TrayIcon::~TrayIcon()
{
    destroy();
    delete m_menu;
}

bool TrayIcon::hostPresent()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayIcon::ensure()
{
    if (m_icon)
        return true;
    if (!hostPresent())
        return false;
    m_icon = new QSystemTrayIcon(trayPicture(), this);
    m_icon->setToolTip(sharedStrings().appTitle);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            m_commands.action(CmdToggleTray)->trigger();
    });
    m_icon->show();
    m_hostWatch->start();
    return true;
}

void TrayIcon::destroy()
{
    m_hostWatch->stop();
    m_placedWatch->stop();
    delete std::exchange(m_icon, nullptr);
}

void TrayIcon::showBalloon(const QString &title, const QString &text)
{
    // Desktops show what programs say through their notification service, in their own style and
    // place (Qt does so itself for D-Bus tray hosts). Qt's own balloon at the icon is for a session
    // without one; drawing it here would also keep the text machinery loaded in an idle tray copy.
    m_notifications.notify(title, text, kBalloonMs, {}, [tray = QPointer<TrayIcon>(this), title, text](bool taken) {
        if (tray && !taken)
            tray->showBalloonAtIcon(title, text);
    });
}

void TrayIcon::showBalloonAtIcon(const QString &title, const QString &text)
{
    if (!m_icon || !QSystemTrayIcon::supportsMessages())
        return;
    m_balloonTitle = title;
    m_balloonText = text;
    m_placedChecks = 0;
    showPendingBalloon();
}

bool TrayIcon::iconPlaced() const
{
    // Until the host has embedded it, the icon's window sits at the screen's origin.
    const QRect where = m_icon->geometry();
    if (!where.isEmpty() && where.topLeft() != QPoint(0, 0))
        return true;
    const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void TrayIcon::showPendingBalloon()
{
    if (!m_icon) {
        m_placedWatch->stop();
        return;
    }
    if (!iconPlaced() && ++m_placedChecks < kPlacedChecks) {
        m_placedWatch->start();
        return;
    }
    m_placedWatch->stop();
    m_icon->showMessage(m_balloonTitle, m_balloonText, QSystemTrayIcon::NoIcon, kBalloonMs);
}

void TrayIcon::checkHost()
{
    if (!m_icon || hostPresent())
        return;
    destroy();
    Q_EMIT hostLost();
}
