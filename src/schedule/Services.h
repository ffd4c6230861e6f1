#pragma once

#include "CapabilityReader.h"

class BatteryStatusReader;
class NetworkList;
class PowerPlatform;
class TaskService;

// The platform backends as windows, pages and commands use them. The program creates the real
// ones once at start (PlatformServices) and hands this down; tests hand in fakes.
struct Services
{
    PowerPlatform &platform;
    TaskService &tasks;
    const NetworkList &networks;
    const BatteryStatusReader &battery;
    // Last and defaulted, so that tests with no plan editor need not name it.
    const CapabilityReader &capabilities = CapabilityReader::unavailable();
};
