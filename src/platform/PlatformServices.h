#pragma once

#include <memory>

class BatteryStatusReader;
class NetworkList;
class PowerPlatform;
struct SharedStrings;
class TaskService;

// The one place where the real backends are chosen. Tests construct fakes directly instead.
std::unique_ptr<PowerPlatform> createPowerPlatform(const SharedStrings &strings);

// The machine's power state from sysfs ($AMPORA_SYSFS_ROOT overrides /sys).
std::unique_ptr<BatteryStatusReader> createBatteryStatusReader();

// The networks known to NetworkManager on the system bus; empty when it is not running.
std::unique_ptr<NetworkList> createNetworkList();

// Scheduled tasks as systemd user units and autostart entries in $XDG_CONFIG_HOME.
std::unique_ptr<TaskService> createTaskService();
