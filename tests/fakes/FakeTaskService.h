// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskService.h"

#include <QStringList>

// An in-memory task folder for tests. Tasks keep their place when replaced; new ones go last.
// Tests can plant foreign or broken tasks (a planted task with a damage text is the program's
// own, damaged) and make the whole folder unreachable. Every change,
// planted or made through the interface, emits tasksChanged() at once.
class FakeTaskService : public TaskService
{
    Q_OBJECT
public:
    // Plants a task, as another process would.
    void addTask(const RegisteredTask &task)
    {
        m_tasks.append(task);
        Q_EMIT tasksChanged();
    }
    // A task of another program (or a hand-made one): listed, but never changed or removed.
    void addForeignTask(const RegisteredTask &task)
    {
        m_tasks.append(task);
        m_foreign.append(task.name);
        Q_EMIT tasksChanged();
    }
    const QList<RegisteredTask> &tasks() const { return m_tasks; }
    const RegisteredTask *task(const QString &name) const;
    // Names passed to deleteTask, in call order, whether or not such a task existed.
    const QStringList &deleteCalls() const { return m_deleteCalls; }
    // The names of every change of several tasks at once, in call order.
    const QList<QStringList> &batchCalls() const { return m_batchCalls; }
    void setUnreachable(bool unreachable) { m_unreachable = unreachable; }
    void refuseRegistrations(bool refuse) { m_refuseRegistrations = refuse; }
    // What readRunTimes() answers, as a user manager would.
    void setRunTimes(const QHash<QString, TaskRunTimes> &times) { m_runTimes = times; }
    QHash<QString, TaskRunTimes> readRunTimes(const QStringList &) const override { return m_runTimes; }

    Result<QList<RegisteredTask>> readTasks() const override;
    Result<> registerTask(const QString &name, const TaskDefinition &definition, Registration mode) override;
    Result<> replaceTask(
        const QString &name, const TaskDefinition &definition, const TaskDefinition &expected) override;
    Result<> deleteTask(const QString &name) override;
    Result<> setTaskEnabled(const QString &name, bool enabled) override;
    BatchOutcome deleteTasks(const QStringList &names) override
    {
        m_batchCalls.append(names);
        return TaskService::deleteTasks(names);
    }
    BatchOutcome setTasksEnabled(const QStringList &names, bool enabled) override
    {
        m_batchCalls.append(names);
        return TaskService::setTasksEnabled(names, enabled);
    }

private:
    qsizetype indexOf(const QString &name) const;
    // The task's index when this program may change it.
    Result<qsizetype> ownTask(const QString &name) const;

    QList<RegisteredTask> m_tasks;
    QStringList m_deleteCalls;
    QList<QStringList> m_batchCalls;
    QStringList m_foreign;
    bool m_unreachable = false;
    bool m_refuseRegistrations = false;
    QHash<QString, TaskRunTimes> m_runTimes;
};
