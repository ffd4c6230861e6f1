// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerPlan.h"
#include "PowerTrigger.h"
#include "Result.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

class PowerPlatform;

// The power-state schedules, in AmporaPowerTriggers.ini beside the network schedule file. Section
// "Ampora" holds five keys per schedule, numbered from 0 without gaps:
//   ampctl_TriggerId<n>       braced upper-case GUID that names the schedule
//   ampctl_PwrPlanGuid<n>     braced upper-case GUID
//   ampctl_TriggerEvent<n>    on-mains, on-battery, battery-below or after-wake
//   ampctl_TriggerPercent<n>  battery-below: 1 to 99
//   ampctl_SchdEnabled<n>     "Enabled" or "Disabled"
// The rules are the network schedule file's: a read never writes; every change holds the data
// lock while it reads the file again and replaces it atomically, applying itself to what the file
// holds at that moment; a file that cannot be read cleanly is copied aside (or, when nothing of
// it can be read, moved aside) before it is replaced, with one line on stderr; the last removal
// deletes the file. None of these tells the running copy: it reads the file at each event.
namespace PowerTriggerFile {

QString path();

// The schedules in file order. An entry that cannot be read (a bad GUID, event or percentage) is
// left out; one whose plan is known to be gone is kept and marked planGone; one whose plan cannot
// be read now keeps an empty plan name.
QList<PowerTrigger> read(const PowerPlatform &platform);

// Adds an enabled schedule of plan for event (threshold for BatteryBelow) and returns its id; given
// replacing, that schedule takes the plan, event and threshold instead, keeping its id and state.
// AlreadyExists when another schedule is for the same event (and threshold), NotFound when none is
// replacing, Invalid for a threshold out of range.
Result<QUuid> save(const PowerPlatform &platform, const PowerPlan &plan, PowerTrigger::Event event, int threshold,
    const std::optional<QUuid> &replacing = std::nullopt);
// NotFound when no schedule has that id.
Result<> setEnabled(const PowerPlatform &platform, const QUuid &id, bool enabled);
Result<> remove(const PowerPlatform &platform, const QUuid &id);

} // namespace PowerTriggerFile
