// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUuid>

// One network-based schedule: a power plan recorded for a network. The network's GUID names the
// schedule: no two schedules are for the same network.
struct NetworkSchedule
{
    QString planName; // read from the plan when the file is read, never stored
    QString networkName; // as the network list reported it when the schedule was saved
    QUuid planGuid;
    QUuid networkGuid;
    bool enabled = true;

    friend bool operator==(const NetworkSchedule &, const NetworkSchedule &) = default;
};
