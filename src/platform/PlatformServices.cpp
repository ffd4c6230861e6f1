#include "PlatformServices.h"

#include "NetworkManagerList.h"
#include "PowerPlatform.h"
#include "SysfsBatteryStatusReader.h"
#include "SysfsCapabilityReader.h"
#include "SystemdTaskService.h"

PlatformServices::PlatformServices(const SharedStrings &strings)
    : m_platform(createPowerPlatform(strings))
    , m_tasks(std::make_unique<SystemdTaskService>(
          SystemdTaskService::defaultUnitFolder(), SystemdTaskService::defaultAutostartFolder()))
    , m_networks(std::make_unique<NetworkManagerList>())
    , m_battery(std::make_unique<SysfsBatteryStatusReader>())
    , m_capabilities(std::make_unique<SysfsCapabilityReader>())
{
}

PlatformServices::~PlatformServices() = default;

Services PlatformServices::services() const
{
    return Services { *m_platform, *m_tasks, *m_networks, *m_battery, *m_capabilities };
}
