#include "SummaryTotals.h"

#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "TaskReader.h"

SummaryTotals SummaryTotals::load(const PowerPlatform &platform, TaskService &tasks)
{
    const PowerPlanList plans = loadPowerPlans(platform);
    const qsizetype timed = readScheduledTasks(tasks, platform).size();
    const qsizetype networked = readNetworkSchedules(platform).size();

    SummaryTotals totals;
    totals.planCount = plans.size();
    totals.scheduleCount = timed + networked;
    QUuid active;
    totals.activeKnown = getActivePlanGuid(platform, &active) == PowerStatus::Ok;
    const qsizetype at = findPlan(plans, active);
    if (at >= 0)
        totals.activePlanName = plans.at(at).planName;
    return totals;
}
