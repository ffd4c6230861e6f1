#include "TaskReader.h"

#include "Guid.h"
#include "PlanCatalogue.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TaskService.h"

#include <QLoggingCategory>
#include <optional>

Q_LOGGING_CATEGORY(lcTaskReader, "ampora.schedule.reader")

namespace {

using TriggerType = TaskDefinition::TriggerType;

const QString kNoneOfThree = QStringLiteral("None of three");
const QString kSetActivePlan = QStringLiteral("-setactiveplan");
constexpr qsizetype kGuidOffset = 16; // after "-setactiveplan -"
constexpr qsizetype kGuidSpan = 39;

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

// Every trigger read shares the diagnostic form "<text> at index <position>".
void note(QString *diagnostic, const char *format, int position)
{
    const QString text = QString::fromLatin1(format).arg(position);
    qCDebug(lcTaskReader) << text;
    if (diagnostic)
        *diagnostic = text;
}

struct ReadOutcome
{
    std::optional<TimeSchedule> record;
    QString orphanName; // a task of the program whose plan is gone
};

ReadOutcome readTask(const RegisteredTask &task, int position, const PowerPlatform &platform, QString *diagnostic)
{
    ReadOutcome outcome;
    if (!task.name.startsWith(sharedStrings().taskNamePrefix, Qt::CaseSensitive))
        return outcome;
    TimeSchedule record;
    record.position = position;
    record.taskName = task.name;
    record.enabled = task.enabled;
    if (!task.definition) {
        note(diagnostic, "Getting task definition failed at index %1", position);
        return outcome;
    }
    if (task.definition->triggers.isEmpty()) {
        note(diagnostic, "Failed to get Trigger at index %1", position);
        return outcome;
    }
    const TaskDefinition::Trigger &trigger = task.definition->triggers.constFirst();
    record.frequencyText = frequencyText(trigger.type);
    QString dayList;
    if (trigger.type == TriggerType::Weekly) {
        record.daysOfWeek = trigger.daysOfWeek;
        dayList = dayListText(trigger.daysOfWeek);
    }
    record.startText = startText(trigger.type, trigger.startBoundary, dayList);
    if (task.definition->actions.isEmpty()) {
        note(diagnostic, "Failed to get Action at index %1", position);
        return outcome;
    }
    const TaskDefinition::Action &action = task.definition->actions.constFirst();
    if (action.type != TaskDefinition::ActionType::Exec || !action.arguments.startsWith(kSetActivePlan))
        return outcome;
    if (!textToGuid(action.arguments.mid(kGuidOffset, kGuidSpan), &record.planGuid))
        return outcome;
    // Only a plan that is gone makes a task an orphan; a store that fails to answer must not
    // cost the user every schedule, so the task is then listed without a plan name.
    const PowerStatus status = readPlanName(platform, record.planGuid, &record.planName);
    if (status == PowerStatus::NotFound) {
        outcome.orphanName = task.name;
        return outcome;
    }
    if (status != PowerStatus::Ok)
        record.planName.clear();
    outcome.record = record;
    return outcome;
}

} // namespace

QList<TimeSchedule> readScheduledTasks(TaskService &service, const PowerPlatform &platform, QString *diagnostic)
{
    QList<TimeSchedule> schedules;
    QList<RegisteredTask> tasks;
    if (service.readTasks(&tasks) != TaskService::Status::Ok)
        return schedules;
    QStringList orphans;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        const ReadOutcome outcome = readTask(tasks.at(i), int(i + 1), platform, diagnostic);
        if (outcome.record)
            schedules.append(*outcome.record);
        else if (!outcome.orphanName.isEmpty())
            orphans.append(outcome.orphanName);
    }
    exchangeSort(schedules, [](const TimeSchedule &s) -> const QString & { return s.planName; });
    for (const QString &name : std::as_const(orphans))
        deleteTaskByName(service, name);
    return schedules;
}

void deleteTaskByName(TaskService &service, const QString &name)
{
    service.deleteTask(name);
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
