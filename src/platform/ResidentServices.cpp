#include "ResidentServices.h"

#include "NetworkAutoSwitch.h"
#include "NetworkManagerWatch.h"
#include "PlanFollower.h"

using ApplierFactory::createApplyBackends;

ResidentServices::ResidentServices(PowerPlatform &platform)
    : m_backends(createApplyBackends(true))
    , m_follower(std::make_unique<PlanFollower>(platform, *m_backends.coordinator, *m_backends.events))
    , m_networkWatch(std::make_unique<NetworkManagerWatch>())
    , m_networkSwitch(std::make_unique<NetworkAutoSwitch>(*m_networkWatch, platform))
{
}

ResidentServices::~ResidentServices()
{
    m_follower.reset(); // waits for an apply in progress
    m_backends.coordinator->release();
}
