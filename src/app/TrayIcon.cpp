#include "TrayIcon.h"

#include "CommandActions.h"
#include "DesktopNotifications.h"
#include "Pictures.h"
#include "SharedStrings.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

using Program::sharedStrings;

namespace {

constexpr int kBalloonMs = 10000;

} // namespace

TrayIcon::TrayIcon(DesktopNotifications &notifications, CommandActions &commands, QObject *parent)
    : QObject(parent)
    , m_notifications(notifications)
    , m_commands(commands)
    , m_menu(new QMenu)
{
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

bool TrayIcon::ensure()
{
    if (m_icon)
        return true;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon = new QSystemTrayIcon(programIcon(), this);
    m_icon->setToolTip(sharedStrings().appTitle);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            m_commands.action(CmdToggleTray)->trigger();
    });
    m_icon->show();
    return true;
}

void TrayIcon::destroy()
{
    delete std::exchange(m_icon, nullptr);
}

void TrayIcon::showBalloon(const QString &title, const QString &text)
{
    if (m_icon && QSystemTrayIcon::supportsMessages())
        m_icon->showMessage(title, text, QSystemTrayIcon::NoIcon, kBalloonMs);
    else
        m_notifications.notify(title, text, kBalloonMs);
}
