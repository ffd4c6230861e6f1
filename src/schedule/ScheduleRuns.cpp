// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScheduleRuns.h"

#include "Profile.h"
#include "TaskReader.h"
#include "TaskService.h"

#include <QRegularExpression>

using Profile::formatText;
using Profile::loadText;

namespace ScheduleRuns {

namespace {

using TriggerType = TaskDefinition::TriggerType;

// A trigger's start as a local date and time; nothing when its boundary cannot be read.
std::optional<QDateTime> startOf(const TaskDefinition::Trigger &trigger)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})T(\\d{2}:\\d{2}:\\d{2})$"));
    const QRegularExpressionMatch m = pattern.match(trigger.startBoundary);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

bool firesOn(const TaskDefinition::Trigger &trigger, const QDate &day)
{
    if (trigger.type == TriggerType::Daily)
        return true;
    return trigger.type == TriggerType::Weekly && (trigger.daysOfWeek & (1 << (day.dayOfWeek() % 7))) != 0;
}

// On a day the clock skips the time, the timer skips that day (as systemd does).
bool isOnTheClock(const QDate &day, const QTime &time)
{
    const QDateTime local(day, time);
    return local.isValid() && local.date() == day && local.time() == time;
}

QString resultText(const QString &result)
{
    if (result.isEmpty())
        return {};
    if (result == u"success")
        return loadText(u"IDS_RUN_SUCCEEDED");
    return formatText(loadText(u"IDS_RUN_FAILED"), result);
}

} // namespace

std::optional<QDateTime> nextRunOf(const TaskDefinition::Trigger &trigger, const QDateTime &from)
{
    const std::optional<QDateTime> start = startOf(trigger);
    if (!start)
        return std::nullopt;
    if (trigger.type == TriggerType::Once)
        return *start >= from ? start : std::nullopt;
    if (trigger.type != TriggerType::Daily && trigger.type != TriggerType::Weekly)
        return std::nullopt;
    const QTime time = start->time();
    QDate day = qMax(from.date(), start->date());
    // A week and a day reach every ticked day once, past a skipped one.
    for (int i = 0; i < 9; ++i, day = day.addDays(1)) {
        if (!firesOn(trigger, day) || !isOnTheClock(day, time))
            continue;
        const QDateTime at(day, time);
        if (at >= from)
            return at;
    }
    return std::nullopt;
}

void addRunTimes(QList<TimeSchedule> &schedules, const TaskService &service, const QDateTime &now)
{
    QStringList names;
    for (const TimeSchedule &schedule : std::as_const(schedules)) {
        if (schedule.damage.isEmpty() && schedule.neverReason.isEmpty() && schedule.definition
            && !schedule.definition->triggers.isEmpty())
            names.append(schedule.taskName);
    }
    const QHash<QString, TaskRunTimes> times = service.readRunTimes(names);
    for (TimeSchedule &schedule : schedules) {
        if (!names.contains(schedule.taskName))
            continue;
        const TaskDefinition::Trigger &trigger = schedule.definition->triggers.constFirst();
        const TaskRunTimes known = times.value(schedule.taskName);
        schedule.lastRun = known.last;
        schedule.lastResult = known.lastResult;
        // The service's own word when it answers; the trigger's when nothing runs tasks now.
        const std::optional<QDateTime> due = known.serviceAnswered ? known.next : nextRunOf(trigger, now);
        if (trigger.type == TriggerType::Once) {
            const std::optional<QDateTime> start = startOf(trigger);
            if (known.last) {
                schedule.runState = TimeSchedule::RunState::Completed;
            } else if (start && *start < now
                && (known.serviceAnswered || !schedule.definition->settings.startWhenAvailable)) {
                // A missed time is made up for only by a task that runs missed times, when the
                // user manager next starts; a manager that runs and has it not due has let it go.
                schedule.runState = TimeSchedule::RunState::NeverRuns;
                schedule.neverReason = loadText(u"IDS_TIME_PASSED");
            } else if (schedule.enabled) {
                schedule.nextRun = due;
            }
            continue;
        }
        const std::optional<QDateTime> start = startOf(trigger);
        const std::optional<QDateTime> first
            = start ? nextRunOf(trigger, QDateTime(start->date(), QTime(0, 0))) : std::nullopt;
        if (first && first->date() > now.date().addDays(1))
            schedule.firstRunDate = first->date();
        if (schedule.enabled)
            schedule.nextRun = due;
    }
}

QString runTimeText(const QDateTime &at)
{
    return at.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

QString nextRunText(const TimeSchedule &schedule)
{
    if (!schedule.damage.isEmpty())
        return {};
    switch (schedule.runState) {
    case TimeSchedule::RunState::Completed:
        return loadText(u"IDS_COMPLETED");
    case TimeSchedule::RunState::NeverRuns:
        return formatText(loadText(u"IDS_NEVER_RUNS_BECAUSE"), schedule.neverReason);
    case TimeSchedule::RunState::Scheduled:
        break;
    }
    if (!schedule.enabled)
        return loadText(u"IDS_NOT_WHILE_DISABLED");
    return schedule.nextRun ? runTimeText(*schedule.nextRun) : loadText(u"IDS_NEXT_RUN_UNKNOWN");
}

QString lastRunText(const TimeSchedule &schedule)
{
    if (!schedule.lastRun)
        return schedule.damage.isEmpty() ? loadText(u"IDS_NOT_RUN_YET") : QString();
    const QString result = resultText(schedule.lastResult);
    return result.isEmpty() ? runTimeText(*schedule.lastRun) : runTimeText(*schedule.lastRun) + u", " + result;
}

QString statusText(const TimeSchedule &schedule)
{
    if (schedule.damage.isEmpty() && schedule.runState == TimeSchedule::RunState::Completed)
        return loadText(u"IDS_COMPLETED");
    if (schedule.damage.isEmpty() && schedule.runState == TimeSchedule::RunState::NeverRuns)
        return loadText(u"IDS_NEVER_RUNS");
    return loadText(schedule.enabled ? u"IDS_ENABLED" : u"IDS_DISABLED");
}

QString whenText(const TimeSchedule &schedule)
{
    if (!schedule.damage.isEmpty())
        return damageText(schedule.damage);
    QString text = schedule.frequencyText + u' ' + loadText(u"IDS_AT") + u' ' + schedule.startText;
    const QString from = schedule.firstRunDate.isValid()
        ? formatText(loadText(u"IDS_FROM_DATE"), schedule.firstRunDate.toString(QStringLiteral("yyyy/MM/dd")))
        : QString();
    if (!from.isEmpty())
        text += u' ' + from;
    return text;
}

} // namespace ScheduleRuns
