#pragma once

class BatteryStatusReader;
class PleaseWaitDialog;
class PowerPlatform;
class TaskService;

// What pages read and show, owned by the main frame and outliving every page. Reloads read the
// platform, the tasks and the network file on a worker thread.
struct PageServices
{
    PowerPlatform &platform;
    TaskService &tasks;
    const BatteryStatusReader &battery;
    PleaseWaitDialog *pleaseWait = nullptr; // shown while a page reloads; none in some tests
};
