// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopServices.h"
#include "Services.h"

#include <memory>

class BatteryStatusReader;
class CapabilityReader;
class DesktopNotifications;
class NetworkList;
class PowerPlatform;
class ShellOpener;
struct SharedStrings;
class TaskService;

// Every real backend of this machine, created once at start and owned for the whole run:
// the scheme store, systemd user units and autostart entries in $XDG_CONFIG_HOME, NetworkManager
// on the system bus (an empty list when it is not running) and sysfs for the power state
// and the power capabilities ($AMPORA_SYSFS_ROOT overrides /sys); xdg-open and the session bus's
// notification service for the desktop.
class PlatformServices
{
public:
    explicit PlatformServices(const SharedStrings &strings);
    ~PlatformServices();

    Services services() const;
    // Made on first use: ampctl never needs the desktop.
    DesktopServices desktop();

private:
    std::unique_ptr<PowerPlatform> m_platform;
    std::unique_ptr<TaskService> m_tasks;
    std::unique_ptr<NetworkList> m_networks;
    std::unique_ptr<BatteryStatusReader> m_battery;
    std::unique_ptr<CapabilityReader> m_capabilities;
    std::unique_ptr<ShellOpener> m_opener;
    std::unique_ptr<DesktopNotifications> m_notifications;
};
