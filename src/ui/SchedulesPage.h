#pragma once

#include "ListPage.h"
#include "PageReload.h"
#include "PageServices.h"
#include "Result.h"
#include "ScheduleListing.h"

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
    // Enable or Disable from a button, the menu: the current row's schedule.
    void enableCurrent(bool enabled);

    // The schedule's state as last read or set; nothing when the row's schedule is not listed.
    std::optional<bool> enabledOf(const QTreeWidgetItem *item) const;
    // The row's check box is the user's wish: make the schedule follow it.
    void applyCheck(QTreeWidgetItem *item);
    void setEnabled(QTreeWidgetItem *item, bool enabled);
    Result<> writeEnabled(const QTreeWidgetItem *item, bool enabled);
    void showState(QTreeWidgetItem *item, bool enabled);

    void addSchedule();
    void editSchedule();
    // What names a row's schedule: the task's name, or the network's GUID (a power-based
    // schedule's id, with power set).
    struct ScheduleKey
    {
        bool network = false;
        QString task;
        QUuid networkGuid;
        bool power = false;
    };
    void removeSchedules();
    // The selected rows' schedules, top row first.
    QList<ScheduleKey> selectedSchedules() const;
    // The row that shows the schedule now; null when none does.
    QTreeWidgetItem *rowOf(const ScheduleKey &schedule) const;
    Result<> removeSchedule(const ScheduleKey &schedule);
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
