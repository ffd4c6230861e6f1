// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlanTaskWriter.h"
#include "RegisteredTask.h"
#include "Result.h"
#include "TimeSchedule.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <optional>

// What the schedule dialog's controls hold at one moment. The dialog keeps the copy it had when it
// opened (the snapshot) and offers Schedule exactly when the current choices count as changed.
struct ScheduleChoices
{
    qsizetype plan = -1;
    bool networkBased = false;
    // A new schedule's snapshot holds -1, so a network preselected on opening is a choice already.
    qsizetype network = -1;
    bool runNow = false;
    bool once = false;
    bool daily = false;
    // Ticking a day clears this in the snapshot: days only count once weekly is really meant.
    bool weekly = false;
    QTime time;
    QDate date;
    bool anyDayTicked = false;
    bool onlyOnMains = false;
    bool wake = false;
    bool powerBased = false;
    // A new schedule's snapshot holds -1, so the event preselected on opening is a choice already.
    int event = -1;
    int threshold = 0;

    friend bool operator==(const ScheduleChoices &, const ScheduleChoices &) = default;

    // Whether now differs from snapshot in a way worth saving. A switch to weekly, or a plan
    // chosen for weekly, counts only with a day ticked: without one there is nothing to write. A
    // power-based schedule counts its event, level and plan.
    static bool changed(const ScheduleChoices &now, const ScheduleChoices &snapshot);

    // The start a new schedule offers: the next whole minute after now, so that a once schedule
    // saved at once still lies ahead (at 23:59:30 that is 00:00 of the next day).
    static QDateTime firstStart(const QDateTime &now);

    // The first day the date picker offers: today, or an edited schedule's own earlier date, so
    // that a new start never lies in the past while an old one can still be shown as it is.
    static QDate firstPickableDate(const QDate &today, const QDate &shown);

    // What the user is told when a time-based write stops (every outcome but Registered).
    static QString writeFailureText(PlanTaskWriter::Outcome outcome, const Failure &registrationFailure);
    // What the user is told when a network schedule is not saved.
    static QString networkFailureText(const Failure &failure);
    // What the user is told when a power-based schedule is not saved.
    static QString powerFailureText(const Failure &failure);
    // When no plan of the list is chosen (the plan store could not be read).
    static QString noPlanText();
};

// When an existing time-based schedule runs, in the form the dialog's radio buttons, pickers
// and day list take.
struct ScheduleStart
{
    PlanTaskWriter::Kind kind = PlanTaskWriter::Kind::None;
    QDate date; // invalid when neither the task nor the schedule's texts tell
    QTime time; // likewise
    QList<bool> days = QList<bool>(7, false); // Sunday first

    // Read from the schedule's task, found by its name among tasks, which knows its start exactly.
    // When that task is gone or unreadable, from the schedule's display texts as they were read.
    static ScheduleStart of(const TimeSchedule &schedule, const QList<RegisteredTask> &tasks);

    // The time of a start text "hh:mm:ss AM ..." on the 24-hour clock: 12:xx AM is 00:xx, 12:xx PM
    // stays 12:xx. Nothing for a text not in that form.
    static std::optional<QTime> timeFromStartText(const QString &startText);
    // The date that ends a once schedule's start text ("... on 2025/05/02").
    static std::optional<QDate> dateFromStartText(const QString &startText);
    // Seven ticks, Sunday first, from a day mask (bit 0 Sunday).
    static QList<bool> daysFromMask(int mask);
};
