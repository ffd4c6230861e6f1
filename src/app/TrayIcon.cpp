#include "TrayIcon.h"

#include "CommandId.h"
#include "DesktopNotifications.h"
#include "SharedStrings.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

using Program::sharedStrings;

namespace {

constexpr int kBalloonMs = 10000;

} // namespace

TrayIcon::TrayIcon(DesktopNotifications &notifications, QObject *parent)
    : QObject(parent)
    , m_notifications(notifications)
    , m_menu(new QMenu)
{
    // The menu's texts are fixed, not taken from the language file.
    const auto add = [this](const QString &text, int id) {
        connect(m_menu->addAction(text), &QAction::triggered, this, [this, id] { Q_EMIT commandRequested(id); });
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
    m_icon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/ampora.png")), this);
    m_icon->setToolTip(sharedStrings().appTitle);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT commandRequested(CmdToggleTray);
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
