// SPDX-License-Identifier: GPL-3.0-or-later
#include "SummaryTotals.h"

#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "PowerTriggerFile.h"
#include "TaskReader.h"

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;

SummaryTotals SummaryTotals::load(const PowerPlatform &platform, TaskService &tasks)
{
    const PowerPlanList plans = loadPowerPlans(platform).valueOr({});
    const qsizetype timed = readScheduledTasks(tasks, platform).size();
    const qsizetype networked = readNetworkSchedules(platform).size();
    const qsizetype powered = PowerTriggerFile::read(platform).size();

    SummaryTotals totals;
    totals.planCount = plans.size();
    totals.scheduleCount = timed + networked + powered;
    const Result<QUuid> active = platform.activeScheme();
    totals.activeKnown = active.ok();
    if (const std::optional<qsizetype> at = active ? findPlan(plans, *active) : std::nullopt)
        totals.activePlanName = plans.at(*at).planName;
    return totals;
}
