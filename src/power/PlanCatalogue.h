#pragma once

#include "PowerPlans.h"
#include "PowerPlatform.h"

// Rebuilds the plan list from the platform: schemes whose name or description cannot be read are
// left out, enumeration stops at the first status other than Ok or Skip, and the result is
// sorted by name (ordinal, case-sensitive; see SortByPlanName).
PowerPlanList LoadPowerPlans(const PowerPlatform &platform);

// The classic exchange pass used for plan and schedule lists: for every i, for every j, swap when
// item i sorts before item j. Equal names are never swapped. Kept as is because list positions
// (and so the order of equal names) are visible to the user.
template <typename T, typename NameOf>
void ExchangeSort(QList<T> &items, NameOf nameOf)
{
    const qsizetype n = items.size();
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            if (QString::compare(nameOf(items.at(i)), nameOf(items.at(j)), Qt::CaseSensitive) < 0)
                items.swapItemsAt(i, j);
        }
    }
}

PowerStatus GetActivePlanGuid(const PowerPlatform &platform, QUuid *guid);
PowerStatus SetActivePlan(PowerPlatform &platform, const QUuid &guid);
// A failure means that no such plan exists.
PowerStatus ReadPlanName(const PowerPlatform &platform, const QUuid &guid, QString *name);

// Index of the plan in list, or -1.
qsizetype FindPlan(const PowerPlanList &list, const QUuid &guid);
