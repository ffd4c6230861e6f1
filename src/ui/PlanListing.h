// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlanUsage.h"
#include "PowerPlan.h"

#include <QList>
#include <QUuid>

class PowerPlatform;
class TaskService;

// What the plan list page shows: every plan in catalogue order with how schedules use it, and the
// schedules themselves, which the page's schedule links open.
struct PlanListing
{
    struct Row
    {
        PowerPlan plan;
        ScheduleUse use = ScheduleUse::None;
        bool system = false; // set by the administrator: activated and copied, never changed
    };

    QList<Row> rows;
    QUuid activePlan; // null when the active plan cannot be read
    QString plansFailure; // why the plans could not be read; empty when they were
    QList<TimeSchedule> timeSchedules;
    QList<NetworkSchedule> networkSchedules;

    // Rebuilds the plan list, the time-based and the network-based schedules, in that order, and
    // reads the active plan. Safe to call on a worker thread: it touches no widgets.
    static PlanListing load(const PowerPlatform &platform, TaskService &tasks);
};
