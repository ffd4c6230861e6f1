// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalendarTrigger.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace CalendarTrigger {

namespace {

using TriggerType = TaskDefinition::TriggerType;

// systemd's calendar ends with 2199: the line for the years after the start reaches it.
constexpr int kCalendarEnd = TaskDefinition::kLastYear + 1;

// In systemd's own order, Monday first, with each day's bit in the mask (bit 0 Sunday).
constexpr struct
{
    const char16_t *name;
    int bit;
} kDays[]
    = { { u"Mon", 2 }, { u"Tue", 4 }, { u"Wed", 8 }, { u"Thu", 16 }, { u"Fri", 32 }, { u"Sat", 64 }, { u"Sun", 1 } };

int maskBitOf(QStringView name)
{
    for (const auto &day : kDays) {
        if (name == day.name)
            return day.bit;
    }
    return 0;
}

QString dayNames(int mask)
{
    QStringList names;
    for (const auto &day : kDays) {
        if (mask & day.bit)
            names.append(QString::fromUtf16(day.name));
    }
    return names.join(u',');
}

struct Boundary
{
    QDate date;
    QTime time;
};

// A wall-clock date and time, never a point in some zone: a time the local clock skips (02:30 on
// the day clocks go forward) is still a daily time, and a task reads back the same in every zone.
std::optional<Boundary> parseBoundary(const QString &boundary)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})T(\\d{2}:\\d{2}:\\d{2})$"));
    const QRegularExpressionMatch m = pattern.match(boundary);
    if (!m.hasMatch())
        return std::nullopt;
    const Boundary at { QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd")),
        QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss")) };
    if (!at.date.isValid() || !at.time.isValid() || at.date.year() < TaskDefinition::kFirstYear
        || at.date.year() > TaskDefinition::kLastYear) {
        return std::nullopt;
    }
    return at;
}

} // namespace

QStringList expressions(const TaskDefinition::Trigger &trigger)
{
    const std::optional<Boundary> start = parseBoundary(trigger.startBoundary);
    if (!start)
        return {};
    const QDate date = start->date;
    const QString time = start->time.toString(QStringLiteral("HH:mm:ss"));
    if (trigger.type == TriggerType::Once)
        return { date.toString(QStringLiteral("yyyy-MM-dd ")) + time };

    QString days;
    if (trigger.type == TriggerType::Weekly) {
        if (trigger.daysOfWeek <= 0 || trigger.daysOfWeek > TaskDefinition::kAllDaysMask)
            return {};
        days = dayNames(trigger.daysOfWeek) + u' ';
    } else if (trigger.type != TriggerType::Daily) {
        return {};
    }
    QStringList lines;
    lines.append(days + QString::asprintf("%04d-%02d-%02d..31 ", date.year(), date.month(), date.day()) + time);
    if (date.month() < 12)
        lines.append(days + QString::asprintf("%04d-%02d..12-* ", date.year(), date.month() + 1) + time);
    lines.append(days + QString::asprintf("%04d..%04d-*-* ", date.year() + 1, kCalendarEnd) + time);
    return lines;
}

std::optional<TaskDefinition::Trigger> fromExpressions(const QStringList &lines)
{
    static const QRegularExpression once(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}) (\\d{2}:\\d{2}:\\d{2})$"));
    static const QRegularExpression repeating(
        QStringLiteral("^(?:([A-Za-z,]+) )?(\\d{4}-\\d{2}-\\d{2})\\.\\.31 (\\d{2}:\\d{2}:\\d{2})$"));
    if (lines.isEmpty())
        return std::nullopt;

    TaskDefinition::Trigger trigger;
    const QString &first = lines.constFirst();
    if (const QRegularExpressionMatch m = once.match(first); m.hasMatch()) {
        trigger.type = TriggerType::Once;
        trigger.startBoundary = m.captured(1) + u'T' + m.captured(2);
    } else if (const QRegularExpressionMatch r = repeating.match(first); r.hasMatch()) {
        trigger.type = r.hasCaptured(1) ? TriggerType::Weekly : TriggerType::Daily;
        trigger.startBoundary = r.captured(2) + u'T' + r.captured(3);
        const QString names = r.captured(1);
        for (const QStringView name : QStringView(names).split(u','))
            trigger.daysOfWeek |= maskBitOf(name);
    } else {
        return std::nullopt;
    }
    // Only lines this file writes are understood; anything else is some other timer.
    if (expressions(trigger) != lines)
        return std::nullopt;
    return trigger;
}

} // namespace CalendarTrigger
