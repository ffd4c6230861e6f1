#include "PlanEditing.h"

PlanNameCheck checkPlanName(const PowerPlanList &plans, const QString &name, const QUuid &except)
{
    if (name.isEmpty())
        return PlanNameCheck::Empty;
    for (const PowerPlan &plan : plans) {
        if (plan.planGuid != except && QString::compare(plan.planName, name, Qt::CaseInsensitive) == 0)
            return PlanNameCheck::Taken;
    }
    return PlanNameCheck::Usable;
}

Result<QUuid> createPlan(PowerPlatform &platform, const QUuid &source, const QString &name)
{
    const Result<QUuid> created = platform.duplicateScheme(source);
    if (!created)
        return created;
    Result<> named = platform.writeFriendlyName(*created, name);
    if (named)
        named = platform.writeDescription(*created, kCreatedPlanDescription.toString());
    if (!named) {
        // A copy under its source's name would look like the source; take it away again.
        (void)platform.deleteScheme(*created);
        return named.failure();
    }
    return created;
}

Result<> activateAgainIfActive(PowerPlatform &platform, const QUuid &plan)
{
    const Result<QUuid> active = platform.activeScheme();
    if (!active)
        return active.failure();
    if (*active != plan)
        return {};
    return platform.setActiveScheme(plan);
}
