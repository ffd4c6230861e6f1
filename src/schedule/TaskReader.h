// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"
#include "TimeSchedule.h"

#include <QList>
#include <QString>

class PowerPlatform;
class TaskService;

// Rebuilds the time-based schedules from the task service. A task is the program's own when its
// name starts with the task-name prefix ("AMPCTL", case-sensitive), its first action starts a
// program, and its arguments are "-setactiveplan -" followed by a braced plan GUID. Tasks whose
// plan is gone from a store read without fault are deleted after the read; when the plan store
// cannot answer, the task is kept and listed with an empty plan name. The result is sorted by
// plan name (ordinal). A damaged task of this program (see RegisteredTask) is listed whatever its
// name, with its damage, and never deleted; other tasks that cannot be read are not listed. An
// unreachable service gives an empty list.
QList<TimeSchedule> readScheduledTasks(TaskService &service, const PowerPlatform &platform);

// What the list shows for a damaged task: "IDS_SCHEDULE_DAMAGED" filled with why.
QString damageText(const QString &damage);

// Display texts of a trigger, from the language file.
QString frequencyText(TaskDefinition::TriggerType type);
// "Sun, Mon and Sat" from a day mask (bit 0 Sunday), with the language's day and "and" texts.
QString dayListText(int daysOfWeek);
// "08:05:00 PM on 2025/05/02" and the like from a start boundary YYYY-MM-DDTHH:MM:SS.
QString startText(TaskDefinition::TriggerType type, const QString &startBoundary, const QString &dayList);
