// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScheduleListing.h"

#include "NetworkScheduleFile.h"
#include "PowerTriggerFile.h"
#include "ScheduleRuns.h"
#include "TaskReader.h"

ScheduleListing ScheduleListing::load(const PowerPlatform &platform, TaskService &tasks)
{
    ScheduleListing listing;
    listing.timeSchedules = readScheduledTasks(tasks, platform);
    ScheduleRuns::addRunTimes(listing.timeSchedules, tasks, QDateTime::currentDateTime());
    listing.networkSchedules = readNetworkSchedules(platform);
    listing.powerTriggers = PowerTriggerFile::read(platform);
    return listing;
}
