#pragma once

#include "NetworkList.h"
#include "NetworkSchedule.h"
#include "PowerPlan.h"

#include <QList>

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

// Reads the schedules in file order, stopping at the first missing ampctl_NetworkGuid<n>.
// Entries whose GUIDs do not parse or whose plan no longer exists are left out, and the file is
// rewritten from the result, so the numbers always match list positions afterwards. A plan that
// cannot be read for another reason (the plan store failing) keeps its entry with an empty plan
// name, so a passing failure loses nothing. A file that cannot be read is moved aside first.
QList<NetworkSchedule> readNetworkSchedules(const PowerPlatform &platform);

// Replaces the file with the whole list; an empty list removes the file.
bool writeNetworkSchedules(const QList<NetworkSchedule> &schedules);

enum class NetworkSaveResult {
    Saved,
    Duplicate, // another schedule already names this network; nothing changed
    Failed,    // bad index or the file could not be written; the list is as it was
};

// editIndex -1 appends a new, enabled schedule of plan for network. Otherwise the schedule at
// editIndex takes the network's GUID and name and keeps its plan and state. Only that
// schedule's keys are written; the rest of the file stays as it is.
NetworkSaveResult saveNetworkSchedule(QList<NetworkSchedule> &schedules, const NetworkList::Network &network,
                                      const PowerPlan &plan, qsizetype editIndex = -1);

// Writes ampctl_SchdEnabled<index> and updates the record; false for a bad index or a failed
// write, leaving the record as it was.
bool setNetworkScheduleEnabled(QList<NetworkSchedule> &schedules, qsizetype index, bool enabled);

// Drops the record and rewrites the file (the last removal deletes it); false for a bad index or
// a failed write, leaving the list as it was.
bool removeNetworkSchedule(QList<NetworkSchedule> &schedules, qsizetype index);
