// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class PowerPlatform;
class TaskService;

// The summary page's three totals, read afresh from the platform.
struct SummaryTotals
{
    bool activeKnown = false; // the active plan could be read; without it nothing is shown
    QString activePlanName; // empty when the active plan is not among the plans
    qsizetype planCount = 0;
    qsizetype scheduleCount = 0; // time-based, network-based and power-based

    // Rebuilds the plan list, the time-based, network-based and power-based schedules, in that order, and
    // counts them. Safe to call on a worker thread: it touches no widgets.
    static SummaryTotals load(const PowerPlatform &platform, TaskService &tasks);
};
