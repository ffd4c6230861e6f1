#pragma once

#include <QString>
#include <QUuid>

// One network-based schedule: a power plan recorded for a network. The record's position in its
// list is also its number in the network schedule file.
struct NetworkSchedule
{
    QString planName;    // read from the plan when the file is read, never stored
    QString networkName; // as the network list reported it when the schedule was saved
    QUuid planGuid;
    QUuid networkGuid;
    bool enabled = true;

    friend bool operator==(const NetworkSchedule &, const NetworkSchedule &) = default;
};
