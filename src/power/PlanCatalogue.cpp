// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanCatalogue.h"

using PlanCatalogue::exchangeSort;
using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;

namespace PlanCatalogue {

Result<PowerPlanList> loadPowerPlans(const PowerPlatform &platform)
{
    PowerPlanList list;
    const Result<QList<QUuid>> schemes = platform.schemes();
    if (!schemes)
        return schemes.failure();
    for (const QUuid &scheme : *schemes) {
        const Result<QString> name = platform.friendlyName(scheme);
        const Result<QString> description = platform.description(scheme);
        if (name && description)
            list.append(PowerPlan { *name, *description, scheme });
    }
    exchangeSort(list, [](const PowerPlan &plan) -> const QString & { return plan.planName; });
    return list;
}

std::optional<qsizetype> findPlan(const PowerPlanList &list, const QUuid &guid)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).planGuid == guid)
            return i;
    }
    return std::nullopt;
}

} // namespace PlanCatalogue
