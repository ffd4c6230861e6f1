#pragma once

#include "ListPage.h"
#include "PageReload.h"
#include "PageServices.h"
#include "Result.h"
#include "ScheduleListing.h"

#include <QHash>
#include <optional>

class PictureButton;
class QAction;
class QMenu;
class QTreeWidgetItem;
class ReportList;

// The page that lists every schedule, time-based and network-based, and where they are added,
// edited, enabled, disabled and removed. A row's check box and its status column show whether the
// schedule is enabled; ticking the box, clicking the status or pressing Space changes that at
// once. Each row stays bound to its schedule by task name or network GUID, and every action looks
// the schedule up by that when it acts, so a row never reaches another schedule, however the user
// sorts the list or the schedules change meanwhile.
//
// The list reloads on a worker thread (see PageReload).
class SchedulesPage : public ListPage
{
    Q_OBJECT
public:
    explicit SchedulesPage(const PageServices &services, QWidget *parent = nullptr);

    void refresh() override;

    bool isReloading() const { return m_reload.isRunning(); }
    ReportList *list() const { return m_list; }
    QMenu *contextMenu() const { return m_menu; }
    // The home button and the Add, Edit, Enable, Disable and Remove buttons, by their command
    // (see CommandId).
    PictureButton *commandButton(int id) const { return m_buttons.value(id); }
    // The row the commands act on; -1 when none.
    int currentRow() const { return m_currentRow; }

Q_SIGNALS:
    // The list shows freshly read schedules.
    void reloaded();

protected:
    void onCommand(int id) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildButtons();
    void buildList();
    void buildMenu();
    void showReloaded(const ScheduleListing &listing);
    void fillList();
    QTreeWidgetItem *timeRow(const TimeSchedule &schedule);
    QTreeWidgetItem *networkRow(const NetworkSchedule &schedule);
    void setCurrentRow(int row);
    void updateCommands();
    void onKey(int key, const QPoint &screenPoint);
    void showMenu(const QPoint &screenPoint);

    // The schedule's state as last read or set; nothing when the row's schedule is not listed.
    std::optional<bool> enabledOf(const QTreeWidgetItem *item) const;
    // The row's check box is the user's wish: make the schedule follow it.
    void applyCheck(QTreeWidgetItem *item);
    void setEnabled(QTreeWidgetItem *item, bool enabled);
    Result<> writeEnabled(const QTreeWidgetItem *item, bool enabled);
    void showState(QTreeWidgetItem *item, bool enabled);

    void addSchedule();
    void editSchedule();
    // What names a row's schedule: the task's name, or the network's GUID.
    struct ScheduleKey
    {
        bool network = false;
        QString task;
        QUuid networkGuid;
    };
    void removeSchedules();
    // The selected rows' schedules, top row first.
    QList<ScheduleKey> selectedSchedules() const;
    // The row that shows the schedule now; null when none does.
    QTreeWidgetItem *rowOf(const ScheduleKey &schedule) const;
    Result<> removeSchedule(const ScheduleKey &schedule);
    void showFailure(const Failure &failure);

    PageServices m_services;
    QString m_atText;
    QString m_enabledText;
    QString m_disabledText;
    QString m_timeBasedText;
    QString m_networkBasedText;
    QHash<int, PictureButton *> m_buttons;
    ReportList *m_list = nullptr;
    QMenu *m_menu = nullptr;
    QHash<int, QAction *> m_actions;
    int m_currentRow = -1;
    bool m_showing = false; // the page itself is setting rows, not the user
    ScheduleListing m_listing; // what the list shows, as last read and changed since
    PageReload<ScheduleListing> m_reload;
};
