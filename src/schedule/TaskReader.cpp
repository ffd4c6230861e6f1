#include "TaskReader.h"

#include "CommandLine.h"
#include "Guid.h"
#include "PlanCatalogue.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TaskService.h"

#include <optional>

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
    QString orphanName; // a task of the program whose plan is gone
};

ReadOutcome readTask(const RegisteredTask &task, const PowerPlatform &platform)
{
    ReadOutcome outcome;
    if (!task.name.startsWith(sharedStrings().taskNamePrefix, Qt::CaseSensitive))
        return outcome;
    TimeSchedule record;
    record.taskName = task.name;
    record.enabled = task.enabled;
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
    if (task.definition->actions.isEmpty())
        return outcome;
    const TaskDefinition::Action &action = task.definition->actions.constFirst();
    if (action.type != TaskDefinition::ActionType::Exec
        || classifyCommandLine(action.arguments) != CommandLineForm::SetActivePlan)
        return outcome;
    const std::optional<QUuid> planGuid = textToGuid(planGuidTextOf(action.arguments));
    if (!planGuid)
        return outcome;
    record.planGuid = *planGuid;
    // Only a plan that is gone makes a task an orphan; a store that fails to answer must not
    // cost the user every schedule, so the task is then listed without a plan name.
    const Result<QString> planName = platform.friendlyName(record.planGuid);
    if (planName.failedWith(Failure::Kind::NotFound)) {
        outcome.orphanName = task.name;
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
    QStringList orphans;
    for (const RegisteredTask &task : *tasks) {
        const ReadOutcome outcome = readTask(task, platform);
        if (outcome.record)
            schedules.append(*outcome.record);
        else if (!outcome.orphanName.isEmpty())
            orphans.append(outcome.orphanName);
    }
    exchangeSort(schedules, [](const TimeSchedule &s) -> const QString & { return s.planName; });
    // The service removes only tasks this program wrote, so a look-alike is never lost.
    for (const QString &name : std::as_const(orphans))
        (void)service.deleteTask(name);
    return schedules;
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
