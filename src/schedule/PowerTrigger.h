// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUuid>
#include <optional>

// A schedule that switches to a plan when the machine's state changes: it goes on mains power or
// on battery, the battery falls below a level, or the machine wakes from sleep. The running copy
// carries them out (PowerTriggerSwitch); the file beside the network schedules holds them
// (PowerTriggerFile.h).
struct PowerTrigger
{
    enum class Event { OnMains, OnBattery, BatteryBelow, AfterWake };
    static constexpr int kLowestThreshold = 1;
    static constexpr int kHighestThreshold = 99;

    QUuid id; // names the schedule
    QString planName; // read from the plan when the file is read, never stored
    QUuid planGuid;
    Event event = Event::OnBattery;
    int threshold = 0; // BatteryBelow: the percentage the battery falls below; 0 otherwise
    bool enabled = true;
    bool planGone = false; // the plan is known to be gone: the schedule can never run

    friend bool operator==(const PowerTrigger &, const PowerTrigger &) = default;

    // The words files and ampctl use: on-mains, on-battery, battery-below, after-wake.
    static QString eventName(Event event);
    static std::optional<Event> eventNamed(const QString &name);
    static bool isThreshold(int percent) { return percent >= kLowestThreshold && percent <= kHighestThreshold; }
    // "On battery", "Battery below 20 %" and the like, from the language file.
    QString eventText() const;
};
