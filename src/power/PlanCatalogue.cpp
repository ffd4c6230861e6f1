#include "PlanCatalogue.h"

PowerPlanList loadPowerPlans(const PowerPlatform &platform)
{
    PowerPlanList list;
    for (int index = 0;; ++index) {
        QUuid scheme;
        const PowerStatus status = platform.enumerateScheme(index, &scheme);
        if (status == PowerStatus::Skip)
            continue;
        if (status != PowerStatus::Ok)
            break;
        PowerPlan plan;
        plan.planGuid = scheme;
        if (platform.readFriendlyName(scheme, &plan.planName) != PowerStatus::Ok
            || platform.readDescription(scheme, &plan.planDescription) != PowerStatus::Ok) {
            continue;
        }
        list.append(plan);
    }
    exchangeSort(list, [](const PowerPlan &plan) -> const QString & { return plan.planName; });
    return list;
}

PowerStatus getActivePlanGuid(const PowerPlatform &platform, QUuid *guid)
{
    return platform.activeScheme(guid);
}

PowerStatus setActivePlan(PowerPlatform &platform, const QUuid &guid)
{
    return platform.setActiveScheme(guid);
}

PowerStatus readPlanName(const PowerPlatform &platform, const QUuid &guid, QString *name)
{
    return platform.readFriendlyName(guid, name);
}

qsizetype findPlan(const PowerPlanList &list, const QUuid &guid)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).planGuid == guid)
            return i;
    }
    return -1;
}
