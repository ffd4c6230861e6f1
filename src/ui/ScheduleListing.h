#pragma once

#include "NetworkSchedule.h"
#include "TimeSchedule.h"

#include <QList>

class PowerPlatform;
class TaskService;

// What the scheduled plans page shows: the time-based schedules, then the network-based ones.
struct ScheduleListing
{
    QList<TimeSchedule> timeSchedules;
    QList<NetworkSchedule> networkSchedules;

    // Reads both kinds afresh, time-based first. Safe to call on a worker thread: it touches no
    // widgets.
    static ScheduleListing load(const PowerPlatform &platform, TaskService &tasks);
};
