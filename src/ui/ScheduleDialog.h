#pragma once

#include "NetworkSchedule.h"
#include "Services.h"
#include "TimeSchedule.h"

#include <QDialog>
#include <QUuid>

// The window in which a plan is made active now, scheduled once, daily or weekly at a time, or
// recorded for a network; and in which an existing schedule is changed.
class ScheduleDialog : public QDialog
{
    Q_OBJECT
public:
    // A new schedule for any plan.
    explicit ScheduleDialog(const Services &services, QWidget *parent = nullptr);
    // A new schedule for plan, which cannot be changed in the dialog.
    ScheduleDialog(const Services &services, const QUuid &plan, QWidget *parent = nullptr);
    // Changing a time-based schedule (found again by its task name when saving) or a
    // network-based one (found by its network's GUID).
    ScheduleDialog(const Services &services, const TimeSchedule &schedule, QWidget *parent = nullptr);
    ScheduleDialog(const Services &services, const NetworkSchedule &schedule, QWidget *parent = nullptr);

Q_SIGNALS:
    // A schedule was written; whoever lists schedules reloads.
    void saved();

private:
    Services m_services;
};
