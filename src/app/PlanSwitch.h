// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QString>

class PowerPlatform;

// What a "-setactiveplan" command line did.
struct PlanSwitchOutcome
{
    enum class Effect {
        NotSwitched, // bad GUID text, plan already active, platform refusal or unreadable name
        SwitchedQuietly, // switched; the settings say "FALSE" to plan-change notifications
        SwitchedAnnounce, // switched; announce planName
    };
    Effect effect = Effect::NotSwitched;
    QString planName;
};

namespace PlanSwitch {

// Activates the plan named at position 16 of commandLine unless it is already active, then
// decides from the settings file whether the switch is announced. Missing or any value other than
// exactly "FALSE" means announce.
AMPORA_BASE_EXPORT PlanSwitchOutcome switchPlanFromCommandLine(PowerPlatform &platform, const QString &commandLine);

} // namespace PlanSwitch
