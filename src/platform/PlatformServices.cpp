#include "PlatformServices.h"

#include "NetworkManagerList.h"
#include "SysfsBatteryStatusReader.h"
#include "SystemdTaskService.h"

std::unique_ptr<BatteryStatusReader> CreateBatteryStatusReader()
{
    return std::make_unique<SysfsBatteryStatusReader>();
}

std::unique_ptr<NetworkList> CreateNetworkList()
{
    return std::make_unique<NetworkManagerList>();
}

std::unique_ptr<TaskService> CreateTaskService()
{
    return std::make_unique<SystemdTaskService>(SystemdTaskService::DefaultUnitFolder(),
                                                SystemdTaskService::DefaultAutostartFolder());
}
