// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QList>
#include <QSet>
#include <QUuid>

class PowerPlatform;
class TaskService;

// Deleting the plans selected on the plan list page, as one change of the store. A plan that a
// schedule uses, and the active plan, are refused; every other one is deleted. Safe to run on a
// worker thread: it touches no widgets.
struct PlanDeletion
{
    enum class Refusal { None, Scheduled, Active };
    struct Plan
    {
        QUuid guid;
        Refusal refusal = Refusal::None;
    };

    QList<Plan> plans; // in the order asked for
    // The lock or the store refused: none was deleted.
    Result<> failure;

    // Holds the data lock from a fresh look at the schedules to the delete, so that no schedule
    // takes up a plan in between. scheduled are plans known to be scheduled already; active is
    // the active plan. A plan that is gone meanwhile counts as deleted; one made active meanwhile
    // is refused as the active plan.
    static PlanDeletion run(PowerPlatform &platform, TaskService &tasks, const QList<QUuid> &plans,
        const QSet<QUuid> &scheduled, const QUuid &active);
};
