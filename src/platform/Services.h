// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class BatteryStatusReader;
class CapabilityReader;
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
    const CapabilityReader &capabilities;
};
