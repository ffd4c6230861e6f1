#include "ScheduleListing.h"

#include "NetworkScheduleFile.h"
#include "TaskReader.h"

ScheduleListing ScheduleListing::load(const PowerPlatform &platform, TaskService &tasks)
{
    ScheduleListing listing;
    listing.timeSchedules = readScheduledTasks(tasks, platform);
    listing.networkSchedules = readNetworkSchedules(platform);
    return listing;
}
