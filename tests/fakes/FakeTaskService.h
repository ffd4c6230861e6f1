#pragma once

#include "TaskService.h"

#include <QStringList>

// An in-memory task folder for tests. Tasks keep their place when replaced; new ones go last.
// Tests can plant foreign or broken tasks and make the whole folder unreachable.
class FakeTaskService : public TaskService
{
public:
    void addTask(const RegisteredTask &task) { m_tasks.append(task); }
    const QList<RegisteredTask> &tasks() const { return m_tasks; }
    const RegisteredTask *task(const QString &name) const;
    // Names passed to deleteTask, in call order, whether or not such a task existed.
    const QStringList &deleteCalls() const { return m_deleteCalls; }
    void setUnreachable(bool unreachable) { m_unreachable = unreachable; }
    void refuseRegistrations(bool refuse) { m_refuseRegistrations = refuse; }

    Status readTasks(QList<RegisteredTask> *tasks) const override;
    Status registerTask(const QString &name, const TaskDefinition &definition, Registration mode) override;
    Status deleteTask(const QString &name) override;
    Status setTaskEnabled(const QString &name, bool enabled) override;

private:
    qsizetype indexOf(const QString &name) const;

    QList<RegisteredTask> m_tasks;
    QStringList m_deleteCalls;
    bool m_unreachable = false;
    bool m_refuseRegistrations = false;
};
