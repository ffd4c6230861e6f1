// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkList.h"
#include "NetworkSchedule.h"
#include "PowerPlan.h"
#include "Result.h"

#include <QList>
#include <QUuid>
#include <optional>

class PowerPlatform;

// The network schedule file (sharedStrings().networkFile) holds section "Ampora" with four keys
// per schedule, numbered from 0 without gaps:
//   ampctl_NetworkGuid<n>  braced upper-case GUID
//   ampctl_PwrPlanGuid<n>  braced upper-case GUID
//   ampctl_NetworkName<n>  the network's name
//   ampctl_SchdEnabled<n>  "Enabled" or "Disabled"
// A name that an INI line cannot carry as it is (line breaks or other control characters, blanks
// at either end, or one that starts with "%utf8:") is written as "%utf8:" followed by the name
// with '%', control characters and blanks percent-encoded as UTF-8 bytes. Every other name is
// written exactly as it is.
//
// None of these functions tells the running program about the change; callers that changed
// something send the network-change notice themselves.

// Reads the schedules in file order, stopping at the first missing ampctl_NetworkGuid<n>. Entries
// whose GUIDs do not parse or whose plan is known to be gone (the platform answers NotFound) are
// left out. A plan that cannot be read for another reason (the plan store failing) keeps its
// entry with an empty plan name, so a passing failure loses nothing. Never writes: what a
// damaged file still holds is returned, and the next change deals with the file.
QList<NetworkSchedule> readNetworkSchedules(const PowerPlatform &platform);

// Every change below holds the data lock (DataLock) while it reads the file again and writes it,
// and applies itself to what the file holds at that moment, so schedules that another process
// saved meanwhile stay. A schedule is named by its network's GUID, never by a list position. A
// change also drops what readNetworkSchedules leaves out and renumbers the rest; a file that
// cannot be read cleanly is copied aside first, its readable entries carried over, and only then
// replaced (a change that cannot be written leaves it as it was and fails with the reason). When
// there is nothing to drop, only the changed keys are written and the rest of the file stays as
// it is. Each returns the list as the file holds it afterwards.

// Replaces the whole file with schedules; an empty list removes the file.
Result<> writeNetworkSchedules(const QList<NetworkSchedule> &schedules);

// Adds a new, enabled schedule of plan for network. Given replacing, the schedule of that network
// takes the new network's GUID and name instead, keeping its plan and state. Fails with
// AlreadyExists when another schedule names network, NotFound when none names replacing.
Result<QList<NetworkSchedule>> saveNetworkSchedule(const PowerPlatform &platform, const NetworkList::Network &network,
    const PowerPlan &plan, const std::optional<QUuid> &replacing = std::nullopt);

// Sets the state of network's schedule; NotFound when no schedule names network.
Result<QList<NetworkSchedule>> setNetworkScheduleEnabled(
    const PowerPlatform &platform, const QUuid &network, bool enabled);

// Drops network's schedule (the last removal deletes the file); NotFound when none names it.
Result<QList<NetworkSchedule>> removeNetworkSchedule(const PowerPlatform &platform, const QUuid &network);
