#pragma once

#include "RegisteredTask.h"

#include <QList>
#include <QString>

// The folder of scheduled tasks that start programs: plan tasks and the logon task. A task is
// addressed by its name; readers address it by its 1-based position in readTasks() (index + 1),
// which stays valid until the folder changes.
class TaskService
{
public:
    enum class Status {
        Ok,
        NotFound, // no task of that name
        AlreadyExists, // Registration::Create over an existing task
        Invalid, // a name or definition this service cannot store
        Failed, // the folder cannot be read or written
    };
    enum class Registration { CreateOrUpdate, Create };

    virtual ~TaskService() = default;

    // Every task of the folder, including those of other programs, in a stable order.
    virtual Status readTasks(QList<RegisteredTask> *tasks) const = 0;
    // A registered task is enabled; CreateOrUpdate replaces a task of the same name.
    virtual Status registerTask(const QString &name, const TaskDefinition &definition, Registration mode) = 0;
    virtual Status deleteTask(const QString &name) = 0;
    virtual Status setTaskEnabled(const QString &name, bool enabled) = 0;
};
