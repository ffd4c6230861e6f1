#include "PlatformServices.h"

#include "NetworkManagerList.h"
#include "SysfsBatteryStatusReader.h"
#include "SystemdTaskService.h"

std::unique_ptr<BatteryStatusReader> createBatteryStatusReader()
{
    return std::make_unique<SysfsBatteryStatusReader>();
}

std::unique_ptr<NetworkList> createNetworkList()
{
    return std::make_unique<NetworkManagerList>();
}

std::unique_ptr<TaskService> createTaskService()
{
    return std::make_unique<SystemdTaskService>(SystemdTaskService::defaultUnitFolder(),
                                                SystemdTaskService::defaultAutostartFolder());
}
