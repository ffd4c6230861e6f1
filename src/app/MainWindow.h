// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandActions.h"
#include "DesktopServices.h"
#include "InstanceMessage.h"
#include "NotificationStack.h"
#include "Page.h"
#include "PageServices.h"
#include "Services.h"
#include "ShellCommands.h"
#include "TrayIcon.h"

#include <QWidget>
#include <functional>
#include <memory>

class NetworkAutoSwitch;
class PlanFollower;
class PowerTriggerSwitch;
class PleaseWaitDialog;
class PowerEvents;

// The program's only top-level window. It holds one page at a time, carries out every command
// the pages forward, and is the receiving end of hand-overs from later copies. It can hide into
// the desktop's tray: on the close box when the user asked for that, and at a hidden start. A
// desktop without a tray host gets the window minimised instead, as hidden it could not be found.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    using PageBuilder = std::function<Page *(PageKind, const PageServices &, QWidget *parent)>;

    // pageBuilder defaults to the program's pages; tests pass their own.
    MainWindow(Services services, DesktopServices desktop, PageBuilder pageBuilder = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The page is made when the window is first shown (a start into the tray holds none), or here
    // when it is asked for before that.
    Page *currentPage();
    PageKind currentPageKind() const { return m_currentKind; }
    void switchPage(PageKind kind);

    // A "-setactiveplan" line from start-up (fromStart) or from a later copy; anything else is an
    // "Unknown Parameter".
    void applyCommandLine(const QString &commandLine, bool fromStart);
    // Everything a later copy or a tool can send; the result goes back to the sender.
    int handleInstanceMessage(const InstanceMessage &message);
    // A later copy asks to see the window: it shows, and an icon in the tray stays there.
    void showRequest();
    // A start with -hideme: straight into the tray.
    void startHidden();
    // Between the window and the tray, whichever it is not in now.
    void toggleTray();
    bool isHiddenInTray() const { return m_hiddenInTray; }
    TrayIcon &tray() { return m_tray; }
    // Announces a switched plan; with AfterPopup::EndProgram the program ends once the popup has gone.
    void showPlanChangedPopup(const QString &planName, AfterPopup after);
    // The running copy: pages show what became of the plan's values; moving between mains and
    // battery shows the battery popup and a network's plan switch is announced, each when the
    // user asked for it in the settings.
    void follow(PlanFollower &follower, PowerEvents &events, NetworkAutoSwitch &networkSwitch);
    // A switch made by a power-state schedule is announced as a network switch is.
    void announceSwitches(PowerTriggerSwitch &triggers);

    // Gives the window its icon and first page before it is shown.
    void setVisible(bool visible) override;

Q_SIGNALS:
    // Another process changed the network schedules; the current page reloads.
    void networkSchedulesChanged();
    // The window has been drawn for the first time (emitted once, while it is drawn).
    void firstPainted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The one routing table: what each of the frame's commands does.
    void wireCommands();
    void createPlan();
    int handleCopyData(qint32 tag, const QString &text);
    void refreshPage();
    void reloadTitle();
    void centreOnScreen();
    void exitProgram();
    // Where the tray would hide the window but the desktop has none: minimised, and told so.
    void minimiseForWantOfTray();
    void showBatteryPopupIfWanted();
    void announceNetworkSwitch(const QUuid &plan);

    // What the pages read; it outlives the window, whose page's reload may still be running.
    Services m_services;
    PleaseWaitDialog *m_pleaseWait;
    PlanFollower *m_follower = nullptr;
    PageBuilder m_pageBuilder;
    CommandActions m_commands; // shared by the pages, the tray menu and the shell's commands
    Page *m_currentPage = nullptr;
    PageKind m_currentKind = PageKind::Summary;
    ShellCommands m_shell;
    TrayIcon m_tray;
    bool m_hiddenInTray = false;
    bool m_exiting = false; // Exit was chosen: the close box's tray rule does not apply
    bool m_painted = false;
};
