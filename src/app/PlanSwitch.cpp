// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanSwitch.h"

#include "CommandLine.h"
#include "Guid.h"
#include "PowerPlatform.h"
#include "Profile.h"

using CommandLine::planGuidTextOf;
using Guid::textToGuid;
using PlanSwitch::switchPlanFromCommandLine;
using Profile::isSettingFalse;
using Profile::readSetting;

namespace PlanSwitch {

PlanSwitchOutcome switchPlanFromCommandLine(PowerPlatform &platform, const QString &commandLine)
{
    using Effect = PlanSwitchOutcome::Effect;
    PlanSwitchOutcome outcome;
    const std::optional<QUuid> requested = textToGuid(planGuidTextOf(commandLine));
    if (!requested)
        return outcome;
    const Result<QUuid> active = platform.activeScheme();
    if (!active || *active == *requested || !platform.setActiveScheme(*requested))
        return outcome;
    if (isSettingFalse(readSetting(SettingKey::NotifyPlanChanges))) {
        outcome.effect = Effect::SwitchedQuietly;
        return outcome;
    }
    if (const Result<QString> name = platform.friendlyName(*requested)) {
        outcome.planName = *name;
        outcome.effect = Effect::SwitchedAnnounce;
    }
    return outcome;
}

} // namespace PlanSwitch
