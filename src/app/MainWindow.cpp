// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindow.h"

#include "AboutDialog.h"
#include "BatteryPopup.h"
#include "BatteryStatusReader.h"
#include "CommandLine.h"
#include "MessageBox.h"
#include "NetworkAutoSwitch.h"
#include "NotificationStack.h"
#include "PageColours.h"
#include "PageFactory.h"
#include "Pictures.h"
#include "PlanFollower.h"
#include "PlanListPage.h"
#include "PlanSwitch.h"
#include "PleaseWaitDialog.h"
#include "PowerEvents.h"
#include "PowerPlatform.h"
#include "PowerTriggerSwitch.h"
#include "Profile.h"
#include "SettingsDialog.h"
#include "SharedStrings.h"
#include "TaskService.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QScreen>
#include <QTimer>

using CommandLine::classifyCommandLine;
using PlanSwitch::switchPlanFromCommandLine;
using Profile::formatText;
using Profile::isSettingFalse;
using Profile::isSettingTrue;
using Profile::loadText;
using Profile::readSetting;
using Program::sharedStrings;

namespace {

void readPagePicture(SharedStrings &strings)
{
    strings.pictureFile = strings.programFolder + QStringLiteral("/vt-orvale-am.png");
    // A copy without the picture simply has none.
    strings.pictureSize = pngSize(strings.pictureFile);
}

} // namespace

MainWindow::MainWindow(Services services, DesktopServices desktop, PageBuilder pageBuilder, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_pleaseWait(new PleaseWaitDialog(this))
    , m_pageBuilder(pageBuilder ? std::move(pageBuilder) : PageBuilder(createPage))
    , m_commands(this)
    , m_shell(desktop.opener, this, m_commands)
    , m_tray(desktop.notifications, m_commands)
{
    wireCommands();
    setWindowTitle(sharedStrings().appTitle);
    resize(Page::kFrameSize);
    // Plans and schedules changed elsewhere (ampctl, a scheduled start, another window) show at
    // once on whichever page is up.
    connect(&m_services.platform, &PowerPlatform::schemesChanged, this, &MainWindow::refreshPage);
    connect(&m_services.tasks, &TaskService::tasksChanged, this, &MainWindow::refreshPage);
    connect(this, &MainWindow::networkSchedulesChanged, this, &MainWindow::refreshPage);
    // The tray host went away with the window in it: the window comes back where it can be found.
    connect(&m_tray, &TrayIcon::hostLost, this, [this] {
        if (m_hiddenInTray)
            minimiseForWantOfTray();
    });
}

void MainWindow::refreshPage()
{
    if (m_currentPage)
        m_currentPage->refresh();
}

MainWindow::~MainWindow()
{
    // The page goes first: it may still wait for a reload that reads the services.
    delete std::exchange(m_currentPage, nullptr);
}

Page *MainWindow::currentPage()
{
    if (!m_currentPage)
        switchPage(m_currentKind);
    return m_currentPage;
}

void MainWindow::switchPage(PageKind kind)
{
    // The pages' logo is looked at with the first page: a start into the tray never needs it.
    if (sharedStrings().pictureFile.isEmpty())
        readPagePicture(sharedStrings());
    delete std::exchange(m_currentPage, nullptr);
    m_currentPage = m_pageBuilder(kind, PageServices { m_services, m_pleaseWait, m_follower, &m_commands }, this);
    m_currentKind = kind;
    m_currentPage->setGeometry(rect());
    m_currentPage->show();
}

void MainWindow::wireCommands()
{
    const auto on
        = [this](CommandId id, auto handler) { connect(m_commands.action(id), &QAction::triggered, this, handler); };
    on(CmdShowSummary, [this] { switchPage(PageKind::Summary); });
    on(CmdCreatePlan, [this] { createPlan(); });
    on(CmdManagePlans, [this] { switchPage(PageKind::PlanList); });
    on(CmdShowSchedules, [this] { switchPage(PageKind::ScheduledPlans); });
    on(CmdToggleTray, [this] { toggleTray(); });
    on(CmdExitProgram, [this] { exitProgram(); });
    on(CmdOpenSettings, [this] {
        // A window of its own: the settings are the program's, not this page's.
        SettingsDialog settings(m_services);
        settings.exec();
    });
    const auto showAbout = [this] {
        AboutDialog about(this);
        about.exec();
    };
    on(CmdShowAbout, showAbout);
    on(CmdTrayAbout, showAbout);
    // Help, web pages, the updater and the link library are the shell's (see ShellCommands).
}

void MainWindow::createPlan()
{
    switchPage(PageKind::PlanList);
    // After the click that asked for it has returned: the page it came from is gone.
    if (auto *planList = qobject_cast<PlanListPage *>(m_currentPage))
        QTimer::singleShot(0, planList, &PlanListPage::createPlan);
}

void MainWindow::applyCommandLine(const QString &commandLine, bool fromStart)
{
    sharedStrings().commandLine = commandLine;
    if (classifyCommandLine(commandLine) != CommandLineForm::SetActivePlan) {
        MessageBox::information(this, sharedStrings().messageCaption, QStringLiteral("Unknown Parameter"));
        return;
    }
    const PlanSwitchOutcome outcome = switchPlanFromCommandLine(m_services.platform, commandLine);
    if (outcome.effect == PlanSwitchOutcome::Effect::SwitchedAnnounce)
        showPlanChangedPopup(outcome.planName, fromStart ? AfterPopup::EndProgram : AfterPopup::KeepRunning);
}

int MainWindow::handleInstanceMessage(const InstanceMessage &message)
{
    switch (message.kind) {
    case InstanceMessage::Kind::CopyData:
        return handleCopyData(message.tag, message.text);
    case InstanceMessage::Kind::ShowRequest:
        showRequest();
        return 1;
    case InstanceMessage::Kind::NetworkSchedulesChanged:
        Q_EMIT networkSchedulesChanged();
        return 1;
    }
    return 0;
}

int MainWindow::handleCopyData(qint32 tag, const QString &text)
{
    if (tag == 1 || tag == 2)
        return 1;
    if (classifyCommandLine(text) == CommandLineForm::SetActivePlan) {
        applyCommandLine(text, false);
        return 1;
    }
    if (text.isEmpty()) {
        reloadTitle();
        return 1;
    }
    return 0;
}

void MainWindow::reloadTitle()
{
    sharedStrings().appTitle = loadText(u"IDS_CAPTION");
    setWindowTitle(sharedStrings().appTitle);
    if (m_currentPage)
        m_currentPage->titleReloaded();
}

void MainWindow::showRequest()
{
    showNormal();
    centreOnScreen();
    raise();
    activateWindow();
}

void MainWindow::startHidden()
{
    // Placed now, where a shown window would be, for when it first comes out of the tray.
    centreOnScreen();
    m_hiddenInTray = false;
    toggleTray();
}

void MainWindow::toggleTray()
{
    m_hiddenInTray = !m_hiddenInTray;
    if (m_hiddenInTray) {
        if (!m_tray.ensure()) {
            // No tray host (GNOME without an extension): a hidden window could not be found again.
            minimiseForWantOfTray();
            return;
        }
        hide();
        m_tray.showBalloon(
            sharedStrings().appTitle, sharedStrings().messageCaption + u' ' + loadText(u"IDS_IS_RUNNING"));
        return;
    }
    m_tray.destroy();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::minimiseForWantOfTray()
{
    m_hiddenInTray = false;
    m_tray.destroy();
    showMinimized();
    m_tray.showBalloon(sharedStrings().appTitle, sharedStrings().messageCaption + u' ' + loadText(u"IDS_IS_MINIMIZED"));
}

void MainWindow::exitProgram()
{
    m_exiting = true;
    close();
}

void MainWindow::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void MainWindow::showPlanChangedPopup(const QString &planName, AfterPopup after)
{
    const QString heading = loadText(u"IDS_POWER_PLAN_CHANGE_HEAD");
    const QString body = formatText(loadText(u"IDS_POWER_PLAN_CHANGE_BODY"), planName);
    NotificationStack::instance().show(heading, body, NotificationStack::kStandardWidth,
        NotificationStack::kStandardHeight, this, PopupAccent::Blue, NotificationStack::kStandardDisplayMs, after);
}

void MainWindow::follow(PlanFollower &follower, PowerEvents &events, NetworkAutoSwitch &networkSwitch)
{
    m_follower = &follower;
    connect(&events, &PowerEvents::sourceChanged, this, &MainWindow::showBatteryPopupIfWanted);
    connect(&networkSwitch, &NetworkAutoSwitch::planSwitched, this, &MainWindow::announceNetworkSwitch);
}

void MainWindow::announceSwitches(PowerTriggerSwitch &triggers)
{
    connect(&triggers, &PowerTriggerSwitch::planSwitched, this, &MainWindow::announceNetworkSwitch);
}

void MainWindow::showBatteryPopupIfWanted()
{
    if (!isSettingTrue(readSetting(SettingKey::NotifyBatteryChanges)))
        return;
    const BatteryPopup popup = BatteryPopup::forStatus(m_services.battery.read());
    NotificationStack::instance().show(popup.title, popup.body, NotificationStack::kStandardWidth,
        NotificationStack::kStandardHeight, this, popup.accent, NotificationStack::kStandardDisplayMs);
}

void MainWindow::announceNetworkSwitch(const QUuid &plan)
{
    if (isSettingFalse(readSetting(SettingKey::NotifyPlanChanges)))
        return;
    if (const Result<QString> name = m_services.platform.friendlyName(plan))
        showPlanChangedPopup(*name, AfterPopup::KeepRunning);
}

void MainWindow::setVisible(bool visible)
{
    // Both before the window is mapped: a copy that stays in the tray never decodes the icon or
    // makes a page; and the first page fixes the frame's buttons, which on a window already being
    // shown would hide and show it again, and make a second page from inside the first.
    if (visible && !isVisible()) {
        if (!testAttribute(Qt::WA_SetWindowIcon))
            setWindowIcon(programIcon());
        (void)currentPage();
    }
    QWidget::setVisible(visible);
}

void MainWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintPageBackground(painter, rect());
    if (!std::exchange(m_painted, true))
        Q_EMIT firstPainted();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_currentPage)
        m_currentPage->setGeometry(rect());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The close box hides into the tray when the user asked for that (or minimises the window
    // when the desktop has no tray); Exit always ends.
    if (!m_exiting && readSetting(SettingKey::CloseToTray) == u"TRUE") {
        event->ignore();
        m_hiddenInTray = false;
        toggleTray();
        return;
    }
    // Closing the window ends the program; popups and hidden states must not keep it alive.
    m_tray.destroy();
    QWidget::closeEvent(event);
    QCoreApplication::quit();
}
