#include "TaskOperations.h"

namespace {

TaskService::Status nameAt(const TaskService &service, int position, QString *name)
{
    QList<RegisteredTask> tasks;
    const TaskService::Status status = service.readTasks(&tasks);
    if (status != TaskService::Status::Ok)
        return status;
    if (position < 1 || position > tasks.size())
        return TaskService::Status::NotFound;
    *name = tasks.at(position - 1).name;
    return TaskService::Status::Ok;
}

} // namespace

TaskService::Status setTaskEnabledAt(TaskService &service, int position, bool enabled)
{
    QString name;
    const TaskService::Status status = nameAt(service, position, &name);
    return status == TaskService::Status::Ok ? service.setTaskEnabled(name, enabled) : status;
}

TaskService::Status removeTaskAt(TaskService &service, int position)
{
    QString name;
    const TaskService::Status status = nameAt(service, position, &name);
    return status == TaskService::Status::Ok ? service.deleteTask(name) : status;
}
