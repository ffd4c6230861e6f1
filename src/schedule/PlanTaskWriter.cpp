// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanTaskWriter.h"

#include "CommandLine.h"
#include "Guid.h"
#include "SharedStrings.h"

#include <QDateTime>

using CommandLine::setActivePlanArguments;
using Program::sharedStrings;

namespace {

TaskDefinition::TriggerType triggerTypeOf(PlanTaskWriter::Kind kind)
{
    switch (kind) {
    case PlanTaskWriter::Kind::Daily:
        return TaskDefinition::TriggerType::Daily;
    case PlanTaskWriter::Kind::Weekly:
        return TaskDefinition::TriggerType::Weekly;
    case PlanTaskWriter::Kind::Once:
    case PlanTaskWriter::Kind::None:
        break;
    }
    return TaskDefinition::TriggerType::Once;
}

// A folder that refuses every name is broken, not full.
constexpr int kMaxTaskNumber = 100000;

} // namespace

PlanTaskWriter::PlanTaskWriter(TaskService &service, QString programPath)
    : m_service(service)
    , m_programPath(std::move(programPath))
{
}

PlanTaskWriter::Outcome PlanTaskWriter::write(const Choice &choice, const PowerPlanList &plans)
{
    if (m_programPath.isEmpty())
        return Outcome::NoProgramPath;
    if (choice.planIndex < 0 || choice.planIndex >= plans.size())
        return Outcome::NoPlan;
    const QString arguments = setActivePlanArguments(plans.at(choice.planIndex).planGuid);
    const QString boundary = startBoundary(choice.date, choice.time);
    const int days = choice.kind == Kind::Weekly ? dayMask(choice.days) : 0;
    if (choice.kind == Kind::Weekly && days == 0)
        return Outcome::NoDays;
    // Checked before anything is replaced, so an edited task is never lost to a missing kind.
    if (choice.kind == Kind::None)
        return Outcome::NoKind;
    if (!isDateInRange(choice.date))
        return Outcome::DateOutOfRange;
    // Daily and weekly times run on every other day; a once time the clock skips never runs.
    if (choice.kind == Kind::Once && !isLocalTime(choice.date, choice.time))
        return Outcome::NoSuchTime;
    if (choice.kind == Kind::Once && hasPassed(choice.date, choice.time))
        return Outcome::InPast;

    TaskDefinition task = definition(choice.kind, m_programPath, arguments, boundary, days);
    task.settings.disallowStartIfOnBatteries = choice.onlyOnMains;
    task.settings.wakeToRun = choice.wakeToRun;
    Result<> registered;
    if (!choice.editedTaskName.isEmpty()) {
        // The edited task is replaced in one step, and only while it is the task that was read:
        // another schedule that took its name meanwhile is never overwritten, nor a removed one
        // brought back.
        m_taskName = choice.editedTaskName;
        if (!choice.editedDefinition)
            return Outcome::TaskChanged;
        registered = m_service.replaceTask(m_taskName, task, *choice.editedDefinition);
        if (registered.failedWith(Failure::Kind::NotFound))
            return Outcome::TaskGone;
        if (registered.failedWith(Failure::Kind::AlreadyExists))
            return Outcome::TaskChanged;
    } else {
        registered = registerNew(task);
    }
    if (!registered) {
        m_failure = registered.failure();
        return Outcome::RegistrationFailed;
    }
    return Outcome::Registered;
}

Result<> PlanTaskWriter::registerNew(const TaskDefinition &definition)
{
    const QString &prefix = sharedStrings().taskNamePrefix;
    for (int n = 0; n < kMaxTaskNumber; ++n) {
        m_taskName = prefix + QString::number(n);
        Result<> registered = m_service.registerTask(m_taskName, definition, TaskService::Registration::Create);
        if (!registered.failedWith(Failure::Kind::AlreadyExists))
            return registered;
    }
    return failed(QStringLiteral("no free task name"));
}

QString PlanTaskWriter::messageKey(Outcome outcome)
{
    switch (outcome) {
    case Outcome::NoDays:
        return QStringLiteral("IDS_WEEKLY_ERROR");
    case Outcome::NoKind:
        return QStringLiteral("IDS_SCHEDULE_PLAN_ERROR");
    case Outcome::DateOutOfRange:
        return QStringLiteral("IDS_DATE_RANGE_ERROR");
    case Outcome::NoSuchTime:
        return QStringLiteral("IDS_NO_SUCH_TIME_ERROR");
    case Outcome::InPast:
        return QStringLiteral("IDS_PAST_TIME_ERROR");
    case Outcome::TaskGone:
        return QStringLiteral("IDS_SCHEDULE_GONE_ERROR");
    case Outcome::TaskChanged:
        return QStringLiteral("IDS_SCHEDULE_CHANGED_ERROR");
    case Outcome::RegistrationFailed:
        // Filled with registrationFailure().message.
        return QStringLiteral("IDS_SCHEDULE_WRITE_ERROR");
    case Outcome::NoProgramPath:
        return QStringLiteral("IDS_NO_PROGRAM_ERROR");
    case Outcome::NoPlan:
        return QStringLiteral("IDS_NO_PLAN_ERROR");
    case Outcome::Registered:
        break;
    }
    return {};
}

int PlanTaskWriter::dayMask(const QList<bool> &days)
{
    int mask = 0;
    for (qsizetype i = 0; i < days.size() && i < 16; ++i) {
        if (days.at(i))
            mask |= 1 << i;
    }
    return mask;
}

QString PlanTaskWriter::startBoundary(const QDate &date, const QTime &time)
{
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", date.year(), date.month(), date.day(), time.hour(),
        time.minute(), time.second());
}

bool PlanTaskWriter::isDateInRange(const QDate &date)
{
    return date.isValid() && date.year() >= TaskDefinition::kFirstYear && date.year() <= TaskDefinition::kLastYear;
}

bool PlanTaskWriter::isLocalTime(const QDate &date, const QTime &time)
{
    // A skipped time makes an invalid local date-time, or one moved past the gap.
    const QDateTime local(date, time);
    return local.isValid() && local.date() == date && local.time() == time;
}

bool PlanTaskWriter::hasPassed(const QDate &date, const QTime &time)
{
    return QDateTime(date, time) <= QDateTime::currentDateTime();
}

TaskDefinition PlanTaskWriter::definition(
    Kind kind, const QString &programPath, const QString &arguments, const QString &startBoundary, int dayMask)
{
    TaskDefinition definition;
    definition.author = QStringLiteral("ampworks");
    definition.principal.logonType = TaskDefinition::kLogonInteractiveToken;
    definition.principal.runLevel = TaskDefinition::kRunLevelHighest;
    definition.settings.disallowStartIfOnBatteries = false;
    definition.settings.stopIfGoingOnBatteries = false;
    definition.settings.startWhenAvailable = true;
    definition.settings.hidden = true;
    definition.settings.idleWaitTimeout = QStringLiteral("PT5M");

    TaskDefinition::Trigger trigger;
    trigger.type = triggerTypeOf(kind);
    trigger.id = QStringLiteral("Trigger1");
    trigger.startBoundary = startBoundary;
    if (kind == Kind::Weekly)
        trigger.daysOfWeek = dayMask;
    definition.triggers.append(trigger);

    definition.actions.append(TaskDefinition::Action { TaskDefinition::ActionType::Exec, programPath, arguments });
    return definition;
}
