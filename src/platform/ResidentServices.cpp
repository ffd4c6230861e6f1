// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResidentServices.h"

#include "NetworkAutoSwitch.h"
#include "NetworkManagerWatch.h"
#include "PlanFollower.h"
#include "PowerTriggerSwitch.h"

using ApplierFactory::createApplyBackends;

ResidentServices::ResidentServices(PowerPlatform &platform)
    : m_backends(createApplyBackends(true))
    , m_follower(std::make_unique<PlanFollower>(platform, *m_backends.coordinator, *m_backends.events))
    , m_networkWatch(std::make_unique<NetworkManagerWatch>())
    , m_networkSwitch(std::make_unique<NetworkAutoSwitch>(*m_networkWatch, platform))
    , m_powerSwitch(std::make_unique<PowerTriggerSwitch>(
          platform, m_backends.events->source(), m_backends.events->batteryPercent()))
{
    PowerEvents *events = m_backends.events.get();
    PowerTriggerSwitch *triggers = m_powerSwitch.get();
    QObject::connect(events, &PowerEvents::sourceChanged, triggers, &PowerTriggerSwitch::onSourceChanged);
    QObject::connect(
        events, &PowerEvents::batteryPercentChanged, triggers, &PowerTriggerSwitch::onBatteryPercentChanged);
    QObject::connect(events, &PowerEvents::resumed, triggers, &PowerTriggerSwitch::onResumed);
}

ResidentServices::~ResidentServices()
{
    m_follower.reset(); // waits for an apply in progress
    m_backends.coordinator->release();
}
