// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanUsage.h"

#include <algorithm>

ScheduleUse scheduleUseOf(const QUuid &plan, const QList<TimeSchedule> &timeSchedules,
    const QList<NetworkSchedule> &networkSchedules, const QList<PowerTrigger> &powerTriggers)
{
    if (std::any_of(timeSchedules.cbegin(), timeSchedules.cend(), [&](const auto &s) { return s.planGuid == plan; }))
        return ScheduleUse::Time;
    if (std::any_of(
            networkSchedules.cbegin(), networkSchedules.cend(), [&](const auto &s) { return s.planGuid == plan; }))
        return ScheduleUse::Network;
    if (std::any_of(powerTriggers.cbegin(), powerTriggers.cend(), [&](const auto &s) { return s.planGuid == plan; }))
        return ScheduleUse::Power;
    return ScheduleUse::None;
}
