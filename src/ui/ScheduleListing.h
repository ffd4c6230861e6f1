// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkSchedule.h"
#include "PowerTrigger.h"
#include "TimeSchedule.h"

#include <QList>

class PowerPlatform;
class TaskService;

// What the scheduled plans page shows: the time-based schedules, then the network-based ones,
// then the power-based ones.
struct ScheduleListing
{
    QList<TimeSchedule> timeSchedules;
    QList<NetworkSchedule> networkSchedules;
    QList<PowerTrigger> powerTriggers;

    // Reads every kind afresh, time-based first, with when each runs. Safe to call on a worker
    // thread: it touches no widgets.
    static ScheduleListing load(const PowerPlatform &platform, TaskService &tasks);
};
