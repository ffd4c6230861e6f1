// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApplierFactory.h"

#include <memory>

class NetworkAutoSwitch;
class NetworkManagerWatch;
class PlanFollower;
class PowerTriggerSwitch;
class PowerPlatform;

// What only the running copy (the one in the tray) does: keep the active plan's values applied as
// plans change, the machine moves between mains and battery and wakes from sleep, and switch plans
// as networks connect and as the power-state schedules say. A copy that starts only to switch once and end never makes
// these.
class ResidentServices
{
public:
    explicit ResidentServices(PowerPlatform &platform);
    ~ResidentServices();

    PlanFollower &follower() { return *m_follower; }
    PowerEvents &events() { return *m_backends.events; }
    NetworkAutoSwitch &networkSwitch() { return *m_networkSwitch; }
    PowerTriggerSwitch &powerSwitch() { return *m_powerSwitch; }

private:
    ApplyBackends m_backends;
    std::unique_ptr<PlanFollower> m_follower;
    std::unique_ptr<NetworkManagerWatch> m_networkWatch;
    std::unique_ptr<NetworkAutoSwitch> m_networkSwitch;
    std::unique_ptr<PowerTriggerSwitch> m_powerSwitch;
};
