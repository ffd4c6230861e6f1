// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeTaskService.h"

namespace {

Failure unreachable()
{
    return failed(QStringLiteral("the fake task folder is unreachable"));
}

} // namespace

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

Result<qsizetype> FakeTaskService::ownTask(const QString &name) const
{
    if (m_unreachable)
        return unreachable();
    const qsizetype i = indexOf(name);
    if (i < 0)
        return notFound(QStringLiteral("no task %1").arg(name));
    if (m_foreign.contains(name))
        return invalid(QStringLiteral("the task %1 is not Ampora's").arg(name));
    return i;
}

Result<QList<RegisteredTask>> FakeTaskService::readTasks() const
{
    if (m_unreachable)
        return unreachable();
    return m_tasks;
}

Result<> FakeTaskService::registerTask(const QString &name, const TaskDefinition &definition, Registration mode)
{
    if (m_unreachable || m_refuseRegistrations)
        return failed(QStringLiteral("registration refused"));
    if (name.isEmpty())
        return invalid(QStringLiteral("a task needs a name"));
    const RegisteredTask task { name, true, definition };
    const qsizetype i = indexOf(name);
    if (i < 0) {
        m_tasks.append(task);
        Q_EMIT tasksChanged();
        return {};
    }
    if (mode == Registration::Create || m_foreign.contains(name))
        return alreadyExists(QStringLiteral("a task %1 exists").arg(name));
    m_tasks[i] = task;
    Q_EMIT tasksChanged();
    return {};
}

Result<> FakeTaskService::replaceTask(
    const QString &name, const TaskDefinition &definition, const TaskDefinition &expected)
{
    if (m_unreachable || m_refuseRegistrations)
        return failed(QStringLiteral("registration refused"));
    const Result<qsizetype> i = ownTask(name);
    if (i.failedWith(Failure::Kind::NotFound))
        return i.failure();
    if (!i || !m_tasks.at(*i).damage.isEmpty() || m_tasks.at(*i).definition != expected)
        return alreadyExists(QStringLiteral("the task %1 has changed since it was read").arg(name));
    m_tasks[*i] = RegisteredTask { name, true, definition, {} };
    Q_EMIT tasksChanged();
    return {};
}

Result<> FakeTaskService::deleteTask(const QString &name)
{
    m_deleteCalls.append(name);
    const Result<qsizetype> i = ownTask(name);
    if (!i)
        return i.failure();
    m_tasks.removeAt(*i);
    Q_EMIT tasksChanged();
    return {};
}

Result<> FakeTaskService::setTaskEnabled(const QString &name, bool enabled)
{
    const Result<qsizetype> i = ownTask(name);
    if (!i)
        return i.failure();
    m_tasks[*i].enabled = enabled;
    Q_EMIT tasksChanged();
    return {};
}
