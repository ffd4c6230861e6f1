// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskReader.h"

#include "CommandLine.h"
#include "Guid.h"
#include "PlanCatalogue.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TaskService.h"

#include <optional>

using CommandLine::classifyCommandLine;
using CommandLine::planGuidTextOf;
using Guid::textToGuid;
using PlanCatalogue::exchangeSort;
using Profile::formatText;
using Profile::loadText;
using Program::sharedStrings;

namespace {

using TriggerType = TaskDefinition::TriggerType;

const QString kNoneOfThree = QStringLiteral("None of three");

// The decimal number at the start of boundary.mid(from, length), as a C reader would take it;
// a slice without digits gives 0.
int numberAt(const QString &boundary, qsizetype from, qsizetype length)
{
    const QString slice = boundary.mid(from, length).trimmed();
    qsizetype end = 0;
    if (end < slice.size() && (slice.at(end) == u'-' || slice.at(end) == u'+'))
        ++end;
    while (end < slice.size() && slice.at(end).isDigit() && slice.at(end).unicode() < 128)
        ++end;
    return slice.left(end).toInt();
}

struct ReadOutcome
{
    std::optional<TimeSchedule> record;
    std::optional<TimeSchedule> orphan; // a task of the program whose plan is gone
};

// The plan a task's first action switches to, when it is one of the program's starts.
std::optional<QUuid> planOf(const std::optional<TaskDefinition> &definition)
{
    if (!definition || definition->actions.isEmpty())
        return std::nullopt;
    const TaskDefinition::Action &action = definition->actions.constFirst();
    if (action.type != TaskDefinition::ActionType::Exec
        || classifyCommandLine(action.arguments) != CommandLineForm::SetActivePlan)
        return std::nullopt;
    return textToGuid(planGuidTextOf(action.arguments));
}

// A damaged task may still be firing: it is listed so that it can be disabled or removed, with
// its plan when it still names one.
TimeSchedule damagedRecord(const RegisteredTask &task, const PowerPlatform &platform)
{
    TimeSchedule record;
    record.taskName = task.name;
    record.enabled = task.enabled;
    record.damage = task.damage;
    if (const std::optional<QUuid> plan = planOf(task.definition)) {
        record.planGuid = *plan;
        record.planName = platform.friendlyName(*plan).valueOr({});
    }
    return record;
}

ReadOutcome readTask(const RegisteredTask &task, const PowerPlatform &platform)
{
    ReadOutcome outcome;
    if (!task.damage.isEmpty()) {
        outcome.record = damagedRecord(task, platform);
        return outcome;
    }
    if (!task.name.startsWith(sharedStrings().taskNamePrefix, Qt::CaseSensitive))
        return outcome;
    TimeSchedule record;
    record.taskName = task.name;
    record.enabled = task.enabled;
    record.definition = task.definition;
    // A task whose definition or trigger cannot be read is not listed; it stays as it is.
    if (!task.definition || task.definition->triggers.isEmpty())
        return outcome;
    const TaskDefinition::Trigger &trigger = task.definition->triggers.constFirst();
    record.frequencyText = frequencyText(trigger.type);
    QString dayList;
    if (trigger.type == TriggerType::Weekly) {
        record.daysOfWeek = trigger.daysOfWeek;
        dayList = dayListText(trigger.daysOfWeek);
    }
    record.startText = startText(trigger.type, trigger.startBoundary, dayList);
    const std::optional<QUuid> planGuid = planOf(task.definition);
    if (!planGuid)
        return outcome;
    record.planGuid = *planGuid;
    // Only a plan that is gone makes a task an orphan; a store that fails to answer must not
    // cost the user every schedule, so the task is then listed without a plan name.
    const Result<QString> planName = platform.friendlyName(record.planGuid);
    if (planName.failedWith(Failure::Kind::NotFound)) {
        outcome.orphan = record;
        return outcome;
    }
    record.planName = planName.valueOr({});
    outcome.record = record;
    return outcome;
}

} // namespace

QList<TimeSchedule> readScheduledTasks(TaskService &service, const PowerPlatform &platform)
{
    QList<TimeSchedule> schedules;
    const Result<QList<RegisteredTask>> tasks = service.readTasks();
    if (!tasks)
        return schedules;
    QList<TimeSchedule> orphans;
    for (const RegisteredTask &task : *tasks) {
        const ReadOutcome outcome = readTask(task, platform);
        if (outcome.record)
            schedules.append(*outcome.record);
        else if (outcome.orphan)
            orphans.append(*outcome.orphan);
    }
    // The service removes only tasks this program wrote, so a look-alike is never lost; one that
    // cannot be removed now is listed as one that never runs, and found again on the next read.
    for (TimeSchedule &orphan : orphans) {
        // Another program's look-alike is refused as not ours: it stays unlisted as ever.
        if (!service.deleteTask(orphan.taskName).failedWith(Failure::Kind::Failed))
            continue;
        orphan.runState = TimeSchedule::RunState::NeverRuns;
        orphan.neverReason = loadText(u"IDS_PLAN_GONE");
        schedules.append(orphan);
    }
    exchangeSort(schedules, [](const TimeSchedule &s) -> const QString & { return s.planName; });
    return schedules;
}

QString damageText(const QString &damage)
{
    return formatText(loadText(u"IDS_SCHEDULE_DAMAGED"), damage);
}

QString frequencyText(TriggerType type)
{
    switch (type) {
    case TriggerType::Once:
        return loadText(u"IDS_RUN_ONCE");
    case TriggerType::Daily:
        return loadText(u"IDS_RUN_DAILY");
    case TriggerType::Weekly:
        return loadText(u"IDS_RUN_WEEKLY");
    case TriggerType::Logon:
        break;
    }
    return kNoneOfThree;
}

QString dayListText(int daysOfWeek)
{
    struct Day
    {
        int bit;
        const char16_t *key;
    };
    // Saturday first: each day goes in front, so the text ends up in order Sunday to Saturday.
    static constexpr Day kDays[] = { { 64, u"IDS_SATURDAY" }, { 32, u"IDS_FRIDAY" }, { 16, u"IDS_THURSDAY" },
        { 8, u"IDS_WEDNESDAY" }, { 4, u"IDS_TUESDAY" }, { 2, u"IDS_MONDAY" }, { 1, u"IDS_SUNDAY" } };
    QString text;
    for (const Day &day : kDays) {
        if (daysOfWeek & day.bit)
            text.prepend(QStringLiteral(", ") + loadText(day.key));
    }
    qsizetype lead = 0;
    while (lead < text.size() && (text.at(lead) == u',' || text.at(lead) == u' '))
        ++lead;
    text.remove(0, lead);
    if (text.contains(QStringLiteral(", "))) {
        text.insert(text.lastIndexOf(u' '), loadText(u"IDS_AND"));
        text[text.lastIndexOf(u',')] = u' ';
    }
    return text;
}

QString startText(TriggerType type, const QString &startBoundary, const QString &dayList)
{
    const int year = numberAt(startBoundary, 0, 4);
    const int month = numberAt(startBoundary, 5, 2);
    const int day = numberAt(startBoundary, 8, 2);
    int hour = numberAt(startBoundary, 11, 2);
    const int minute = numberAt(startBoundary, 14, 2);
    const int second = numberAt(startBoundary, 17, 2);

    QString marker = QStringLiteral("AM");
    if (hour >= 12) {
        hour -= 12;
        marker = QStringLiteral("PM");
    }
    if (hour == 0)
        hour = 12;
    const QString clock = QString::asprintf("%02d:%02d:%02d ", hour, minute, second) + marker;
    const QString onText = loadText(u"IDS_ON");

    switch (type) {
    case TriggerType::Once:
        return clock + u' ' + onText + u' ' + QString::asprintf("%04d/%02d/%02d", year, month, day);
    case TriggerType::Daily:
        return clock;
    case TriggerType::Weekly:
        return clock + u' ' + onText + u' ' + dayList;
    case TriggerType::Logon:
        break;
    }
    return kNoneOfThree;
}
