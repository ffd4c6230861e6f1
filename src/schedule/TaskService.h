// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RegisteredTask.h"
#include "Result.h"
#include "TaskRunTimes.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// The folder of scheduled tasks that start programs: plan tasks and the logon task. A task is
// addressed by its name, looked up when an action runs; a task this program did not write is
// listed but never changed or removed.
//
// Implementations emit tasksChanged() when the folder changes, by this program or behind its back
// (ampctl, another copy), so whoever lists schedules can read them again.
class TaskService : public QObject
{
    Q_OBJECT
public:
    enum class Registration { CreateOrUpdate, Create };

    // What a change of several tasks did: the tasks changed, in the order given, and the refusal
    // that stopped the rest (the tasks after it stay as they are).
    struct BatchOutcome
    {
        QStringList done;
        Result<> stopped;
    };

    using QObject::QObject;
    ~TaskService() override = default;

    // Every task of the folder, including those of other programs, in a stable order.
    virtual Result<QList<RegisteredTask>> readTasks() const = 0;
    // A registered task is enabled. Create fails with AlreadyExists when anything of that name
    // exists; CreateOrUpdate replaces only a task of this program.
    virtual Result<> registerTask(const QString &name, const TaskDefinition &definition, Registration mode) = 0;
    // Replaces the program's task name only while it still is the task the caller read, with the
    // definition expected: NotFound when it is gone, AlreadyExists when the name now holds
    // something else (another schedule took it meanwhile, or it was changed or damaged).
    virtual Result<> replaceTask(const QString &name, const TaskDefinition &definition, const TaskDefinition &expected)
        = 0;
    virtual Result<> deleteTask(const QString &name) = 0;
    virtual Result<> setTaskEnabled(const QString &name, bool enabled) = 0;

    // Several tasks at once, in the order given, as the single calls above would change them one
    // after the other; a task that is already gone counts as removed. An implementation that talks
    // to a service manager writes every task first and then tells the manager once.
    virtual BatchOutcome deleteTasks(const QStringList &names);
    virtual BatchOutcome setTasksEnabled(const QStringList &names, bool enabled);
    // When the named tasks run next and last ran; a task the service knows nothing of is left
    // out. May ask another process, so callers in a window call it from a worker thread.
    virtual QHash<QString, TaskRunTimes> readRunTimes(const QStringList &names) const
    {
        Q_UNUSED(names)
        return {};
    }
    // Whether a task may wake the machine from sleep to run without an administrator's help.
    virtual bool canWakeSystem() const { return false; }

Q_SIGNALS:
    void tasksChanged();
};
