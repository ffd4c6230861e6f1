// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlatform.h"

#include <QObject>
#include <optional>

// The machine's power source and its wake-ups, as the running copy follows them.
class AMPORA_BASE_EXPORT PowerEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PowerEvents() override = default;

    virtual PowerSource source() const = 0;
    // The system battery's charge in whole percent; nothing without a battery or while unknown.
    virtual std::optional<int> batteryPercent() const { return std::nullopt; }

Q_SIGNALS:
    // Emitted once per real change, not for repeated reports of the same source.
    void sourceChanged(PowerSource now);
    // The battery's charge changed by at least a whole percent (once per change, as sourceChanged).
    void batteryPercentChanged(int percent);
    // The machine woke from sleep or hibernation.
    void resumed();
    // power-profiles-daemon appeared, or the last hold another program placed on its profile
    // ended: the plan's profile may be applied again.
    void profilesFreed();
};
