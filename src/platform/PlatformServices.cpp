// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlatformServices.h"

#include "DesktopNotifications.h"
#include "NetworkManagerList.h"
#include "PowerPlatform.h"
#include "PowerPlatformFactory.h"
#include "SysfsBatteryStatusReader.h"
#include "SysfsCapabilityReader.h"
#include "SystemdTaskService.h"
#include "XdgShellOpener.h"

using PowerPlatformFactory::createPowerPlatform;

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

DesktopServices PlatformServices::desktop()
{
    if (!m_opener) {
        m_opener = std::make_unique<XdgShellOpener>();
        m_notifications = std::make_unique<DesktopNotifications>();
    }
    return DesktopServices { *m_opener, *m_notifications };
}
