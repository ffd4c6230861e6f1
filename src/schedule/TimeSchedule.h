#pragma once

#include <QString>
#include <QUuid>

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

    friend bool operator==(const TimeSchedule &, const TimeSchedule &) = default;
};
