#include "FakeTaskService.h"

qsizetype FakeTaskService::indexOf(const QString &name) const
{
    for (qsizetype i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks.at(i).name == name)
            return i;
    }
    return -1;
}

const RegisteredTask *FakeTaskService::task(const QString &name) const
{
    const qsizetype i = indexOf(name);
    return i < 0 ? nullptr : &m_tasks.at(i);
}

TaskService::Status FakeTaskService::readTasks(QList<RegisteredTask> *tasks) const
{
    if (m_unreachable)
        return Status::Failed;
    *tasks = m_tasks;
    return Status::Ok;
}

TaskService::Status FakeTaskService::registerTask(
    const QString &name, const TaskDefinition &definition, Registration mode)
{
    if (m_unreachable || m_refuseRegistrations)
        return Status::Failed;
    if (name.isEmpty())
        return Status::Invalid;
    const RegisteredTask task { name, true, definition };
    const qsizetype i = indexOf(name);
    if (i < 0)
        m_tasks.append(task);
    else if (mode == Registration::Create)
        return Status::AlreadyExists;
    else
        m_tasks[i] = task;
    return Status::Ok;
}

TaskService::Status FakeTaskService::deleteTask(const QString &name)
{
    m_deleteCalls.append(name);
    if (m_unreachable)
        return Status::Failed;
    const qsizetype i = indexOf(name);
    if (i < 0)
        return Status::NotFound;
    m_tasks.removeAt(i);
    return Status::Ok;
}

TaskService::Status FakeTaskService::setTaskEnabled(const QString &name, bool enabled)
{
    if (m_unreachable)
        return Status::Failed;
    const qsizetype i = indexOf(name);
    if (i < 0)
        return Status::NotFound;
    m_tasks[i].enabled = enabled;
    return Status::Ok;
}
