// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"
#include "TimeSchedule.h"

#include <QDateTime>
#include <QList>
#include <optional>

class TaskService;

// When time-based schedules run: next and last run from the task service (the user manager) where
// it answers, otherwise the next run worked out from the trigger itself.
namespace ScheduleRuns {

// The first moment at or after from that trigger fires; nothing when it never fires again (a once
// trigger whose time has passed, a trigger that cannot be read).
std::optional<QDateTime> nextRunOf(const TaskDefinition::Trigger &trigger, const QDateTime &from);

// Fills in the run fields of every sound schedule, asking the service once for all of them. A
// once schedule that ran is Completed; one whose time passed without a run that the service will
// not catch up on (it said so, or the task does not run missed times) NeverRuns.
void addRunTimes(QList<TimeSchedule> &schedules, const TaskService &service, const QDateTime &now);

// "2026/12/08 08:00" (local time, 24-hour clock); what the lists show for a run.
QString runTimeText(const QDateTime &at);
// The texts of the list's next-run and last-run cells, from the language file.
QString nextRunText(const TimeSchedule &schedule);
QString lastRunText(const TimeSchedule &schedule);
// The status cell: Completed and Never runs stand in for Enabled and Disabled.
QString statusText(const TimeSchedule &schedule);
// "Daily at 08:00:00 AM", with "from 2027/01/05" when the first run is after tomorrow; what is
// wrong for a damaged schedule.
QString whenText(const TimeSchedule &schedule);

} // namespace ScheduleRuns
