// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkSchedule.h"
#include "PowerTrigger.h"
#include "TimeSchedule.h"

#include <QList>
#include <QUuid>

// How schedules use a plan. A plan that any schedule uses is never deleted, so that no schedule
// is left pointing at nothing.
enum class ScheduleUse {
    None,
    Time, // at least one time-based schedule; what the plan's schedule link opens first
    Network, // network-based schedules, and maybe power-based ones
    Power, // power-based schedules only
};

ScheduleUse scheduleUseOf(const QUuid &plan, const QList<TimeSchedule> &timeSchedules,
    const QList<NetworkSchedule> &networkSchedules, const QList<PowerTrigger> &powerTriggers = {});
