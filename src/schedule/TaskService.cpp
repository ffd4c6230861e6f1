// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskService.h"

TaskService::BatchOutcome TaskService::deleteTasks(const QStringList &names)
{
    BatchOutcome outcome;
    for (const QString &name : names) {
        const Result<> deleted = deleteTask(name);
        if (!deleted && !deleted.failedWith(Failure::Kind::NotFound)) {
            outcome.stopped = deleted;
            break;
        }
        outcome.done.append(name);
    }
    return outcome;
}

TaskService::BatchOutcome TaskService::setTasksEnabled(const QStringList &names, bool enabled)
{
    BatchOutcome outcome;
    for (const QString &name : names) {
        outcome.stopped = setTaskEnabled(name, enabled);
        if (!outcome.stopped)
            break;
        outcome.done.append(name);
    }
    return outcome;
}
