// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanEditing.h"

#include "PlanCatalogue.h"
#include "PowerSettings.h"

#include <algorithm>

using PlanEditing::activateAgainIfActive;
using PlanEditing::checkPlanName;
using PlanEditing::createPlan;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanDescription;
using PlanEditing::refusePlanName;

namespace PlanEditing {

namespace {

const QString kLineBreakRefusal = QStringLiteral("a plan's texts cannot hold line breaks or NUL characters");

bool breaksLine(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\0';
}

bool isControl(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line
        || category == QChar::Separator_Paragraph;
}

} // namespace

QString planNameOf(const QString &typed)
{
    return typed.trimmed();
}

PlanNameCheck checkPlanName(const PowerPlanList &plans, const QString &typed, const QUuid &except)
{
    const QString name = planNameOf(typed);
    if (name.isEmpty())
        return PlanNameCheck::Empty;
    if (std::any_of(name.cbegin(), name.cend(), breaksLine))
        return PlanNameCheck::LineBreak;
    if (std::any_of(name.cbegin(), name.cend(), isControl))
        return PlanNameCheck::ControlCharacter;
    if (name.size() > kMaxPlanNameLength)
        return PlanNameCheck::TooLong;
    for (const PowerPlan &plan : plans) {
        if (plan.planGuid != except && QString::compare(plan.planName, name, Qt::CaseInsensitive) == 0)
            return PlanNameCheck::Taken;
    }
    return PlanNameCheck::Usable;
}

Result<> refusePlanName(const PowerPlanList &plans, const QString &typed, const QUuid &except)
{
    const QString name = planNameOf(typed);
    switch (checkPlanName(plans, name, except)) {
    case PlanNameCheck::Usable:
        return {};
    case PlanNameCheck::Empty:
        return invalid(QStringLiteral("a power plan's name cannot be empty"));
    case PlanNameCheck::LineBreak:
        return invalid(kLineBreakRefusal);
    case PlanNameCheck::ControlCharacter:
        return invalid(QStringLiteral("a power plan's name cannot hold tabs, escapes or other control characters"));
    case PlanNameCheck::TooLong:
        return invalid(
            QStringLiteral("a power plan's name cannot be longer than %1 characters").arg(kMaxPlanNameLength));
    case PlanNameCheck::Taken:
        break;
    }
    for (const PowerPlan &plan : plans) {
        if (plan.planGuid != except && QString::compare(plan.planName, name, Qt::CaseInsensitive) == 0) {
            return alreadyExists(
                QStringLiteral("the name \"%1\" is taken: a power plan is named \"%2\"").arg(name, plan.planName));
        }
    }
    return alreadyExists(QStringLiteral("the name \"%1\" is taken").arg(name));
}

Result<> refusePlanDescription(const QString &description)
{
    if (std::any_of(description.cbegin(), description.cend(), breaksLine))
        return invalid(kLineBreakRefusal);
    if (description.size() > kMaxPlanDescriptionLength) {
        return invalid(QStringLiteral("a power plan's description cannot be longer than %1 characters")
                           .arg(kMaxPlanDescriptionLength));
    }
    return {};
}

Result<QUuid> createPlan(
    PowerPlatform &platform, const QUuid &source, const QString &name, const QList<SchemeChanges::Value> &values)
{
    const QUuid fresh = QUuid::createUuid();
    SchemeChanges changes;
    changes.plans.append({ fresh, source, planNameOf(name), kCreatedPlanDescription.toString(), values });
    if (const Result<> made = platform.changeSchemes(changes); !made)
        return made.failure();
    return fresh;
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

Result<> restoreDefaultPlans(PowerPlatform &platform)
{
    const Result<PowerPlanList> plans = PlanCatalogue::loadPowerPlans(platform);
    const Result<QUuid> active = platform.activeScheme();
    if (!plans)
        return plans.failure();
    if (!active)
        return active.failure();
    SchemeChanges changes;
    for (const DefaultPlan &plan : PowerSettings::defaultPlans()) {
        SchemeChanges::Plan change { plan.guid, std::nullopt, std::nullopt, std::nullopt, {} };
        for (const PowerSettingRow &row : PowerSettings::powerSettingRows()) {
            for (const auto &[source, value] : { std::pair(PowerSource::Ac, (row.*plan.values).ac),
                     std::pair(PowerSource::Dc, (row.*plan.values).dc) }) {
                // A locked setting keeps the administrator's value; the plan's own stays beneath it.
                if (!platform.lockedValue(source, row.subgroup, row.setting))
                    change.values.append({ source, row.subgroup, row.setting, value });
            }
        }
        if (!PlanCatalogue::findPlan(*plans, plan.guid)) {
            // Back from a copy of the active plan, every value of which it then replaces.
            change.copyOf = *active;
            change.description = plan.description.toString();
            const QString name = plan.name.toString();
            change.name = checkPlanName(*plans, name) == PlanNameCheck::Usable
                ? name
                : QStringLiteral("%1 (default)").arg(name);
        }
        changes.plans.append(change);
    }
    if (const Result<> changed = platform.changeSchemes(changes); !changed)
        return changed;
    const auto defaults = PowerSettings::defaultPlans();
    const bool activeRestored
        = std::any_of(defaults.begin(), defaults.end(), [&](const DefaultPlan &plan) { return plan.guid == *active; });
    return activeRestored ? activateAgainIfActive(platform, *active) : Result<>();
}

} // namespace PlanEditing
