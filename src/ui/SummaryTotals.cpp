#include "SummaryTotals.h"

#include "NetworkSchedules.h"
#include "PlanCatalogue.h"
#include "TaskReader.h"

SummaryTotals SummaryTotals::load(const PowerPlatform &platform, TaskService &tasks)
{
    const PowerPlanList plans = LoadPowerPlans(platform);
    const qsizetype timed = ReadScheduledTasks(tasks, platform).size();
    const qsizetype networked = ReadNetworkSchedules(platform).size();

    SummaryTotals totals;
    totals.planCount = plans.size();
    totals.scheduleCount = timed + networked;
    QUuid active;
    totals.activeKnown = GetActivePlanGuid(platform, &active) == PowerStatus::Ok;
    const qsizetype at = FindPlan(plans, active);
    if (at >= 0)
        totals.activePlanName = plans.at(at).planName;
    return totals;
}
