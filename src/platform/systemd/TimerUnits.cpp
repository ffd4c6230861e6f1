// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimerUnits.h"

#include "CalendarTrigger.h"
#include "ExecQuoting.h"
#include "ExtensionKeys.h"

namespace {

const QString kUnit = QStringLiteral("Unit");
const QString kTimer = QStringLiteral("Timer");
const QString kService = QStringLiteral("Service");
const QString kLauncherKey = QStringLiteral("Launcher");
const QString kTaskKey = QStringLiteral("Task");
// systemd refuses to start a program whose path holds quotes or backslashes; a shell started
// with the path as $0 runs it unchanged.
const QStringList kLauncher = { QStringLiteral("/bin/sh"), QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\"") };

bool isTimerTrigger(TaskDefinition::TriggerType type)
{
    return type == TaskDefinition::TriggerType::Once || type == TaskDefinition::TriggerType::Daily
        || type == TaskDefinition::TriggerType::Weekly;
}

QString timerText(const QString &name, const TaskDefinition &definition, const QStringList &calendar)
{
    UnitFile timer(UnitFile::Syntax::Unit);
    timer.addComment(QStringLiteral("Written by Ampora: when the task named below runs. Edit it in Ampora."));
    timer.append(kUnit, QStringLiteral("Description"), QStringLiteral("Ampora task ") + name);
    ExtensionKeys::writeFlag(timer, kUnit, kTaskKey, true);
    ExtensionKeys::writeText(timer, kUnit, QStringLiteral("TriggerId"), definition.triggers.constFirst().id);
    for (const QString &expression : calendar)
        timer.append(kTimer, QStringLiteral("OnCalendar"), expression);
    if (definition.settings.startWhenAvailable)
        timer.append(kTimer, QStringLiteral("Persistent"), QStringLiteral("true"));
    if (definition.settings.wakeToRun)
        timer.append(kTimer, QStringLiteral("WakeSystem"), QStringLiteral("true"));
    timer.append(kTimer, QStringLiteral("AccuracySec"), QStringLiteral("1s"));
    timer.append(QStringLiteral("Install"), QStringLiteral("WantedBy"), QStringLiteral("timers.target"));
    return timer.toText();
}

QString serviceText(const QString &name, const TaskDefinition &definition)
{
    const TaskDefinition::Action &action = definition.actions.constFirst();
    const bool direct = ExecQuoting::systemdCanStart(action.path);
    const QStringList words = (direct ? QStringList() : kLauncher) + QStringList(action.path)
        + ExecQuoting::argumentWords(action.arguments);

    UnitFile service(UnitFile::Syntax::Unit);
    service.addComment(QStringLiteral("Written by Ampora: what the task named below runs. Edit it in Ampora."));
    service.append(kUnit, QStringLiteral("Description"), QStringLiteral("Ampora task ") + name);
    ExtensionKeys::writeFlag(service, kUnit, kTaskKey, true);
    if (definition.settings.disallowStartIfOnBatteries)
        service.append(kUnit, QStringLiteral("ConditionACPower"), QStringLiteral("true"));
    // Once the program is gone (its package removed), each start is skipped instead of failing.
    if (const std::optional<QString> program = ExecQuoting::systemdPathValue(action.path))
        service.append(kUnit, QStringLiteral("ConditionFileIsExecutable"), *program);
    ExtensionKeys::writeDefinition(service, kUnit, definition);
    service.append(kService, QStringLiteral("Type"), QStringLiteral("oneshot"));
    service.append(kService, QStringLiteral("ExecStart"), ExecQuoting::systemdExecLine(words));
    ExtensionKeys::writeFlag(service, kService, kLauncherKey, !direct);
    return service.toText();
}

std::optional<TaskDefinition::Action> readAction(const UnitFile &service)
{
    const QStringList lines = service.values(kService, QStringLiteral("ExecStart"));
    if (lines.isEmpty())
        return std::nullopt;
    std::optional<QStringList> words = ExecQuoting::splitSystemdExecLine(lines.constFirst());
    if (!words || words->isEmpty())
        return std::nullopt;
    if (ExtensionKeys::readFlag(service, kService, kLauncherKey)) {
        if (words->size() <= kLauncher.size() || words->mid(0, kLauncher.size()) != kLauncher)
            return std::nullopt;
        words->remove(0, kLauncher.size());
    }
    return TaskDefinition::Action { TaskDefinition::ActionType::Exec, words->constFirst(),
        ExecQuoting::joinArgumentWords(words->mid(1)) };
}

} // namespace

std::optional<TimerUnits::Texts> TimerUnits::compose(const QString &name, const TaskDefinition &definition)
{
    if (definition.triggers.size() != 1 || definition.actions.size() != 1)
        return std::nullopt;
    const TaskDefinition::Trigger &trigger = definition.triggers.constFirst();
    const TaskDefinition::Action &action = definition.actions.constFirst();
    if (!isTimerTrigger(trigger.type) || trigger.delaySeconds != 0
        || (trigger.type != TaskDefinition::TriggerType::Weekly && trigger.daysOfWeek != 0)
        || action.type != TaskDefinition::ActionType::Exec || !action.path.startsWith(u'/')) {
        return std::nullopt;
    }
    const QStringList calendar = CalendarTrigger::expressions(trigger);
    if (calendar.isEmpty())
        return std::nullopt;
    return Texts { timerText(name, definition, calendar), serviceText(name, definition) };
}

bool TimerUnits::isTask(const UnitFile &unit)
{
    return ExtensionKeys::readFlag(unit, kUnit, kTaskKey);
}

TaskDefinition TimerUnits::decompose(const UnitFile &timer, const std::optional<UnitFile> &service)
{
    TaskDefinition definition;
    if (std::optional<TaskDefinition::Trigger> trigger
        = CalendarTrigger::fromExpressions(timer.values(kTimer, QStringLiteral("OnCalendar")))) {
        trigger->id = ExtensionKeys::readText(timer, kUnit, QStringLiteral("TriggerId"));
        definition.triggers.append(*trigger);
    }
    definition.settings.startWhenAvailable = ExtensionKeys::isTrue(timer.value(kTimer, QStringLiteral("Persistent")));
    definition.settings.wakeToRun = ExtensionKeys::isTrue(timer.value(kTimer, QStringLiteral("WakeSystem")));
    if (!service)
        return definition;
    ExtensionKeys::readDefinition(*service, kUnit, &definition);
    definition.settings.disallowStartIfOnBatteries
        = ExtensionKeys::isTrue(service->value(kUnit, QStringLiteral("ConditionACPower")));
    if (const std::optional<TaskDefinition::Action> action = readAction(*service))
        definition.actions.append(*action);
    return definition;
}
