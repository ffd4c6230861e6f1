// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// What a registered task does and when: author, principal, settings, triggers and actions. Task
// services store it in their own form and give back exactly what was registered.
struct TaskDefinition
{
    enum class TriggerType { Once = 1, Daily = 2, Weekly = 3, Logon = 9 };
    enum class ActionType { Exec = 0, ComHandler = 5, Email = 6, ShowMessage = 7 };

    static constexpr int kLogonInteractiveToken = 3;
    static constexpr int kRunLevelHighest = 1;
    // Week days in a weekly trigger's mask: bit 0 Sunday ... bit 6 Saturday.
    static constexpr int kAllDaysMask = 0x7F;
    // The years a start boundary can fall in: a systemd calendar ends with 2199, and a daily or
    // weekly timer needs the year after its start.
    static constexpr int kFirstYear = 1970;
    static constexpr int kLastYear = 2198;

    struct Trigger
    {
        TriggerType type = TriggerType::Once;
        QString id;
        QString startBoundary; // local time as YYYY-MM-DDTHH:MM:SS
        int daysOfWeek = 0; // weekly triggers only
        int delaySeconds = 0; // logon triggers only: how long after logon

        friend bool operator==(const Trigger &, const Trigger &) = default;
    };

    struct Action
    {
        ActionType type = ActionType::Exec;
        QString path;
        QString arguments; // the program's arguments joined by single blanks

        friend bool operator==(const Action &, const Action &) = default;
    };

    struct Principal
    {
        int logonType = 0;
        int runLevel = 0;

        friend bool operator==(const Principal &, const Principal &) = default;
    };

    struct Settings
    {
        bool disallowStartIfOnBatteries = false;
        bool stopIfGoingOnBatteries = false;
        bool startWhenAvailable = false; // a run missed while the machine was off happens later
        bool hidden = false;
        QString idleWaitTimeout; // ISO 8601 duration, e.g. "PT5M"
        bool wakeToRun = false; // the machine wakes from sleep to run it

        friend bool operator==(const Settings &, const Settings &) = default;
    };

    QString author;
    Principal principal;
    Settings settings;
    QList<Trigger> triggers;
    QList<Action> actions;

    friend bool operator==(const TaskDefinition &, const TaskDefinition &) = default;
};
