#include "PlanSwitch.h"

#include "CommandLine.h"
#include "Guid.h"
#include "PlanCatalogue.h"
#include "Profile.h"

PlanSwitchOutcome SwitchPlanFromCommandLine(PowerPlatform &platform, const QString &commandLine)
{
    using Result = PlanSwitchOutcome::Result;
    PlanSwitchOutcome outcome;
    QUuid requested;
    QUuid active;
    if (!TextToGuid(PlanGuidTextOf(commandLine), &requested)
        || GetActivePlanGuid(platform, &active) != PowerStatus::Ok || requested == active
        || SetActivePlan(platform, requested) != PowerStatus::Ok) {
        return outcome;
    }
    if (IsSettingFalse(ReadSetting(SettingKey::NotifyPlanChanges))) {
        outcome.result = Result::SwitchedQuietly;
        return outcome;
    }
    if (ReadPlanName(platform, requested, &outcome.planName) == PowerStatus::Ok)
        outcome.result = Result::SwitchedAnnounce;
    return outcome;
}
