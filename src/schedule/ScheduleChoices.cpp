// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScheduleChoices.h"

#include "PowerTrigger.h"
#include "Profile.h"
#include "TaskReader.h"

using Profile::formatText;
using Profile::loadText;

namespace {

constexpr int kDaysInWeek = 7;

std::optional<int> number(QStringView digits)
{
    int value = 0;
    for (const QChar c : digits) {
        if (!c.isDigit())
            return std::nullopt;
        value = value * 10 + c.digitValue();
    }
    return value;
}

PlanTaskWriter::Kind kindOf(TaskDefinition::TriggerType type)
{
    switch (type) {
    case TaskDefinition::TriggerType::Once:
        return PlanTaskWriter::Kind::Once;
    case TaskDefinition::TriggerType::Daily:
        return PlanTaskWriter::Kind::Daily;
    case TaskDefinition::TriggerType::Weekly:
        return PlanTaskWriter::Kind::Weekly;
    case TaskDefinition::TriggerType::Logon:
        break;
    }
    return PlanTaskWriter::Kind::None;
}

// The kind a frequency text names, as the schedule list shows it.
PlanTaskWriter::Kind kindOf(const QString &frequency)
{
    using Type = TaskDefinition::TriggerType;
    for (const Type type : { Type::Once, Type::Daily, Type::Weekly }) {
        if (frequency == frequencyText(type))
            return kindOf(type);
    }
    return PlanTaskWriter::Kind::None;
}

const TaskDefinition::Trigger *firstTrigger(const QString &taskName, const QList<RegisteredTask> &tasks)
{
    for (const RegisteredTask &task : tasks) {
        if (task.name == taskName)
            return task.definition && !task.definition->triggers.isEmpty() ? &task.definition->triggers.first()
                                                                           : nullptr;
    }
    return nullptr;
}

} // namespace

bool ScheduleChoices::changed(const ScheduleChoices &now, const ScheduleChoices &snapshot)
{
    if (now.powerBased) {
        return !snapshot.powerBased || now.event != snapshot.event || now.plan != snapshot.plan
            || (now.threshold != snapshot.threshold && now.event == int(PowerTrigger::Event::BatteryBelow));
    }
    if (now.networkBased && now.network != snapshot.network)
        return true;
    const bool timeBased = !now.networkBased && (now.once || now.daily || (now.weekly && now.anyDayTicked));
    if (timeBased && (now.onlyOnMains != snapshot.onlyOnMains || now.wake != snapshot.wake))
        return true;
    if (now.runNow != snapshot.runNow || now.once != snapshot.once || now.daily != snapshot.daily)
        return true;
    if (now.time != snapshot.time || now.date != snapshot.date)
        return true;
    const bool weeklyWithDays = now.weekly && now.anyDayTicked;
    if (now.weekly != snapshot.weekly)
        return now.anyDayTicked;
    return now.plan != snapshot.plan && (now.runNow || now.once || now.daily || weeklyWithDays);
}

QDateTime ScheduleChoices::firstStart(const QDateTime &now)
{
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()));
    return minute.addSecs(60);
}

QDate ScheduleChoices::firstPickableDate(const QDate &today, const QDate &shown)
{
    return shown.isValid() && shown < today ? shown : today;
}

QString ScheduleChoices::writeFailureText(PlanTaskWriter::Outcome outcome, const Failure &registrationFailure)
{
    using Outcome = PlanTaskWriter::Outcome;
    const QString text = loadText(PlanTaskWriter::messageKey(outcome));
    return outcome == Outcome::RegistrationFailed ? formatText(text, registrationFailure.message) : text;
}

QString ScheduleChoices::networkFailureText(const Failure &failure)
{
    if (failure.kind == Failure::Kind::AlreadyExists)
        return loadText(u"IDS_NETWORK_ERROR");
    // The file could not be read or written: its own words say where and why.
    return failure.message;
}

QString ScheduleChoices::powerFailureText(const Failure &failure)
{
    if (failure.kind == Failure::Kind::AlreadyExists)
        return loadText(u"IDS_POWER_TRIGGER_ERROR");
    return failure.message;
}

QString ScheduleChoices::noPlanText()
{
    return loadText(PlanTaskWriter::messageKey(PlanTaskWriter::Outcome::NoPlan));
}

ScheduleStart ScheduleStart::of(const TimeSchedule &schedule, const QList<RegisteredTask> &tasks)
{
    ScheduleStart start;
    if (const TaskDefinition::Trigger *trigger = firstTrigger(schedule.taskName, tasks)) {
        const QString &boundary = trigger->startBoundary;
        start.kind = kindOf(trigger->type);
        start.date = QDate::fromString(boundary.left(10), QStringLiteral("yyyy-MM-dd"));
        start.time = QTime::fromString(boundary.mid(11, 8), QStringLiteral("HH:mm:ss"));
        start.days = daysFromMask(trigger->daysOfWeek);
    }
    // Whatever the task did not tell (it is gone, or unreadable) comes from the list's texts.
    if (start.kind == PlanTaskWriter::Kind::None) {
        start.kind = kindOf(schedule.frequencyText);
        start.days = daysFromMask(schedule.daysOfWeek);
    }
    if (!start.time.isValid())
        start.time = timeFromStartText(schedule.startText).value_or(QTime());
    if (!start.date.isValid() && start.kind == PlanTaskWriter::Kind::Once)
        start.date = dateFromStartText(schedule.startText).value_or(QDate());
    return start;
}

std::optional<QTime> ScheduleStart::timeFromStartText(const QString &startText)
{
    // "hh:mm:ss AM", then on-text and date or days for some kinds.
    if (startText.size() < 11 || startText.at(2) != u':' || startText.at(5) != u':' || startText.at(8) != u' ')
        return std::nullopt;
    if (startText.size() > 11 && startText.at(11) != u' ')
        return std::nullopt;
    const QStringView text(startText);
    const std::optional<int> hour = number(text.mid(0, 2));
    const std::optional<int> minute = number(text.mid(3, 2));
    const std::optional<int> second = number(text.mid(6, 2));
    const QStringView marker = text.mid(9, 2);
    const bool am = marker == u"AM";
    if (!hour || !minute || !second || (!am && marker != u"PM") || *hour < 1 || *hour > 12)
        return std::nullopt;
    int hour24 = *hour % 12;
    if (!am)
        hour24 += 12;
    const QTime time(hour24, *minute, *second);
    return time.isValid() ? std::optional(time) : std::nullopt;
}

std::optional<QDate> ScheduleStart::dateFromStartText(const QString &startText)
{
    constexpr qsizetype kDateChars = 10; // yyyy/MM/dd
    if (startText.size() <= kDateChars || startText.at(startText.size() - kDateChars - 1) != u' ')
        return std::nullopt;
    const QDate date = QDate::fromString(startText.right(kDateChars), QStringLiteral("yyyy/MM/dd"));
    return date.isValid() ? std::optional(date) : std::nullopt;
}

QList<bool> ScheduleStart::daysFromMask(int mask)
{
    QList<bool> days(kDaysInWeek, false);
    for (int day = 0; day < kDaysInWeek; ++day)
        days[day] = (mask & (1 << day)) != 0;
    return days;
}
