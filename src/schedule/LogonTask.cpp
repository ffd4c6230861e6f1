// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogonTask.h"

#include "TaskService.h"

#include <QDateTime>

namespace {

constexpr int kLogonDelaySeconds = 180;

TaskDefinition logonDefinition(const QString &programPath, const QString &arguments)
{
    TaskDefinition definition;
    definition.author = QStringLiteral("ampworks");
    definition.principal.logonType = TaskDefinition::kLogonInteractiveToken;
    definition.principal.runLevel = TaskDefinition::kRunLevelHighest;
    definition.settings.startWhenAvailable = true;
    definition.settings.hidden = true;

    TaskDefinition::Trigger trigger;
    trigger.type = TaskDefinition::TriggerType::Logon;
    trigger.id = QStringLiteral("Trigger1");
    trigger.startBoundary = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    trigger.delaySeconds = kLogonDelaySeconds;
    definition.triggers.append(trigger);

    definition.actions.append(TaskDefinition::Action { TaskDefinition::ActionType::Exec, programPath, arguments });
    return definition;
}

} // namespace

Result<> createLogonTask(
    TaskService &service, const QString &programPath, const QString &name, const QString &arguments)
{
    if (programPath.isEmpty())
        return invalid(QStringLiteral("the program's path is unknown"));
    return service.registerTask(
        name, logonDefinition(programPath, arguments), TaskService::Registration::CreateOrUpdate);
}

Result<> deleteLogonTask(TaskService &service, const QString &name)
{
    Result<> deleted = service.deleteTask(name);
    if (deleted.failedWith(Failure::Kind::NotFound))
        return {};
    return deleted;
}
