// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerPlan.h"
#include "TaskDefinition.h"
#include "TaskService.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <optional>

// Turns the choices of a time-based schedule into a plan task and registers it: the task starts
// the program with "-setactiveplan -{plan GUID}" at the chosen time, once, daily or on the ticked
// week days. Shared by the schedule dialog and the command-line tool, so both write the same
// tasks. Problems the user must fix come back as outcomes; nothing is shown here.
class PlanTaskWriter
{
public:
    enum class Kind { None, Once, Daily, Weekly };

    struct Choice
    {
        qsizetype planIndex = -1; // into the plan list given to write()
        Kind kind = Kind::None;
        QDate date; // the start date, for every kind
        QTime time;
        QList<bool> days; // ticked week days, Sunday first (weekly only)
        QString editedTaskName; // the task being edited; empty for a new schedule
        // The edited task as it was read: it is replaced only while it is still that task.
        std::optional<TaskDefinition> editedDefinition = {};
        bool onlyOnMains = false; // runs only while the machine is on mains power
        bool wakeToRun = false; // wakes the machine from sleep to run
    };

    enum class Outcome {
        Registered,
        RegistrationFailed, // the choices were fine but the task service refused the task
        NoProgramPath, // the program to start is unknown
        NoPlan, // the plan index is not in the list
        NoDays, // weekly without a ticked day: "IDS_WEEKLY_ERROR"
        NoKind, // none of once, daily, weekly: "IDS_SCHEDULE_PLAN_ERROR"
        DateOutOfRange, // the start date is outside TaskDefinition's years
        NoSuchTime, // a once time the local clock skips (a daylight-saving gap): it would never run
        InPast, // a once time that has passed: it would never run
        TaskGone, // the edited task was removed meanwhile
        TaskChanged, // the edited task's name now holds another task, or it was changed meanwhile
    };

    PlanTaskWriter(TaskService &service, QString programPath);

    // A new task takes "AMPCTL" and the lowest number that nothing in the task folder uses yet
    // (another program's or a hand-made task of that name included).
    Outcome write(const Choice &choice, const PowerPlanList &plans);
    // The name the last write used (or would have used).
    const QString &taskName() const { return m_taskName; }
    // Why the task service refused the last write (Outcome::RegistrationFailed).
    const Failure &registrationFailure() const { return m_failure; }

    // The language key of the message for an outcome that wrote nothing; empty for Registered.
    static QString messageKey(Outcome outcome);
    // Bit i is set when days[i] is ticked (Sunday = 0).
    static int dayMask(const QList<bool> &days);
    static QString startBoundary(const QDate &date, const QTime &time);
    static bool isDateInRange(const QDate &date);
    // Whether the local clock shows this date and time at some moment, in the current time zone.
    static bool isLocalTime(const QDate &date, const QTime &time);
    // Whether this local date and time is now or earlier: a once task for it would never run.
    static bool hasPassed(const QDate &date, const QTime &time);
    static TaskDefinition definition(
        Kind kind, const QString &programPath, const QString &arguments, const QString &startBoundary, int dayMask);

private:
    TaskService &m_service;
    QString m_programPath;
    Result<> registerNew(const TaskDefinition &definition);

    QString m_taskName;
    Failure m_failure;
};
