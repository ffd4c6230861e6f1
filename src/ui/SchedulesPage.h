// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ListPage.h"
#include "PageReload.h"
#include "PageServices.h"
#include "Result.h"
#include "ScheduleListing.h"
#include "TaskService.h"

#include <functional>
#include <optional>

class QTreeWidgetItem;

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

Q_SIGNALS:
    // The list shows freshly read schedules.
    void reloaded();

protected:
    void updateCommands() override;
    void rowClicked(int row) override;
    void linkClicked(int row) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildButtons();
    void buildList();
    void showReloaded(const ScheduleListing &listing);
    void fillList();
    QTreeWidgetItem *timeRow(const TimeSchedule &schedule);
    QTreeWidgetItem *networkRow(const NetworkSchedule &schedule);
    QTreeWidgetItem *powerRow(const PowerTrigger &schedule);
    // What names a row's schedule: the task's name, or the network's GUID (a power-based
    // schedule's id, with power set).
    struct ScheduleKey
    {
        bool network = false;
        QString task;
        QUuid networkGuid;
        bool power = false;
    };
    // What a change of several schedules did: those changed, and the refusal that stopped the rest.
    struct Changed
    {
        QList<ScheduleKey> done;
        Result<> stopped;
    };
    using TaskBatch = std::function<TaskService::BatchOutcome(const QStringList &)>;
    using NetworkChange = std::function<Result<>(const ScheduleKey &)>;

    static ScheduleKey keyOf(const QTreeWidgetItem *item);
    // Enable or Disable from a button, the menu: every selected row's schedule, or the current
    // row's when it is not selected.
    void enableCurrent(bool enabled);

    // The schedule's state as last read or set; nothing when the row's schedule is not listed.
    std::optional<bool> enabledOf(const QTreeWidgetItem *item) const;
    // The row's check box is the user's wish: make the schedule follow it.
    void applyCheck(QTreeWidgetItem *item);
    void setEnabled(QTreeWidgetItem *item, bool enabled);
    // Sets the schedules' state on a worker thread; every row then shows its schedule's state.
    void setEnabled(const QList<ScheduleKey> &schedules, bool enabled);
    void showState(QTreeWidgetItem *item, bool enabled);

    void addSchedule();
    void editSchedule();
    void removeSchedules();
    // The selected rows' schedules, top row first.
    QList<ScheduleKey> selectedSchedules() const;
    // The row that shows the schedule now; null when none does.
    QTreeWidgetItem *rowOf(const ScheduleKey &schedule) const;
    // Changes the schedules in the order given on a worker thread, the tasks among them in one
    // batch, the network schedules one by one; a refusal stops the rest.
    Changed changeSchedules(const QList<ScheduleKey> &schedules, TaskBatch tasks, NetworkChange network) const;
    void showFailure(const Failure &failure);

    PageServices m_services;
    QString m_enabledText;
    QString m_disabledText;
    QString m_timeBasedText;
    QString m_networkBasedText;
    QString m_powerBasedText;
    bool m_showing = false; // the page itself is setting rows, not the user
    ScheduleListing m_listing; // what the list shows, as last read and changed since
    PageReload<ScheduleListing> m_reload;
};
