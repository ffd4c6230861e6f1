// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanListing.h"

#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "PowerTriggerFile.h"
#include "TaskReader.h"

using PlanCatalogue::loadPowerPlans;

PlanListing PlanListing::load(const PowerPlatform &platform, TaskService &tasks)
{
    const Result<PowerPlanList> loaded = loadPowerPlans(platform);
    const PowerPlanList plans = loaded.valueOr({});
    PlanListing listing;
    if (!loaded)
        listing.plansFailure = loaded.failure().message;
    listing.timeSchedules = readScheduledTasks(tasks, platform);
    listing.networkSchedules = readNetworkSchedules(platform);
    listing.activePlan = platform.activeScheme().valueOr(QUuid());
    const QList<PowerTrigger> powerTriggers = PowerTriggerFile::read(platform);
    listing.rows.reserve(plans.size());
    for (const PowerPlan &plan : plans) {
        listing.rows.append(
            { plan, scheduleUseOf(plan.planGuid, listing.timeSchedules, listing.networkSchedules, powerTriggers),
                platform.isSystemScheme(plan.planGuid) });
    }
    return listing;
}
