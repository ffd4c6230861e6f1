#include "PlanSwitch.h"

#include "CommandLine.h"
#include "Guid.h"
#include "PlanCatalogue.h"
#include "Profile.h"

PlanSwitchOutcome switchPlanFromCommandLine(PowerPlatform &platform, const QString &commandLine)
{
    using Result = PlanSwitchOutcome::Result;
    PlanSwitchOutcome outcome;
    QUuid requested;
    QUuid active;
    if (!textToGuid(planGuidTextOf(commandLine), &requested)
        || getActivePlanGuid(platform, &active) != PowerStatus::Ok || requested == active
        || setActivePlan(platform, requested) != PowerStatus::Ok) {
        return outcome;
    }
    if (isSettingFalse(readSetting(SettingKey::NotifyPlanChanges))) {
        outcome.result = Result::SwitchedQuietly;
        return outcome;
    }
    if (readPlanName(platform, requested, &outcome.planName) == PowerStatus::Ok)
        outcome.result = Result::SwitchedAnnounce;
    return outcome;
}
