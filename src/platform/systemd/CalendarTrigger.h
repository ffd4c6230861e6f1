// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"

#include <QStringList>
#include <optional>

// A once, daily or weekly trigger as the OnCalendar= lines of a timer. The timer fires at the
// trigger's time from its start boundary on and never before: daily and weekly triggers take one
// line for the rest of the start month, one for the rest of the start year and one for the years
// after, e.g. for a start on 2030-07-05 at 07:03:09 on Mondays and Fridays
//     Mon,Fri 2030-07-05..31 07:03:09
//     Mon,Fri 2030-08..12-* 07:03:09
//     Mon,Fri 2031..2199-*-* 07:03:09
// The lines hold local wall-clock times, as the boundary does; nothing here depends on the zone, so
// a task reads back the same wherever it is read. On a day the clock skips the time, systemd skips
// that day.
namespace CalendarTrigger {

// Empty when the trigger is of another type, its boundary is not a valid YYYY-MM-DDTHH:MM:SS
// within TaskDefinition's years, or a weekly mask holds no day or bits beyond Saturday.
QStringList expressions(const TaskDefinition::Trigger &trigger);

// The type, start boundary and day mask of lines written by expressions(); nothing for any
// other set of lines.
std::optional<TaskDefinition::Trigger> fromExpressions(const QStringList &expressions);

} // namespace CalendarTrigger
