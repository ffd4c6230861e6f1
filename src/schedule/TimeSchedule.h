// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QUuid>
#include <optional>

// One time-based schedule: a plan task read back from the task service, with its display texts.
struct TimeSchedule
{
    QString taskName; // "AMPCTL" and a number; what every action finds the task by
    QString planName;
    QString frequencyText; // "IDS_RUN_ONCE", "IDS_RUN_DAILY", "IDS_RUN_WEEKLY" or "None of three"
    QString startText;
    QUuid planGuid;
    bool enabled = false;
    int daysOfWeek = 0; // weekly: bit 0 Sunday ... bit 6 Saturday; 0 for other kinds
    // Why the task cannot be taken as this program wrote it (see RegisteredTask); the texts above
    // are then empty, the plan too unless the task still names one.
    QString damage = {};
    // The task as it was read: an edit replaces the task only while it is still this one.
    std::optional<TaskDefinition> definition = {};

    // When it runs (filled by ScheduleRuns; empty until then).
    enum class RunState { Scheduled, Completed, NeverRuns };
    RunState runState = RunState::Scheduled;
    std::optional<QDateTime> nextRun = {};
    std::optional<QDateTime> lastRun = {};
    QString lastResult = {}; // how the last run ended, as the task service words it
    QString neverReason = {}; // why a NeverRuns schedule cannot run
    QDate firstRunDate = {}; // a daily or weekly schedule that first runs after tomorrow: that day

    friend bool operator==(const TimeSchedule &, const TimeSchedule &) = default;
};
