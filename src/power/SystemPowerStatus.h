// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The machine's power state as the battery popup reads it.
struct SystemPowerStatus
{
    // Battery flag bits and special values.
    static constexpr quint8 FlagHigh = 1; // over 66 %
    static constexpr quint8 FlagLow = 2; // under 33 %
    static constexpr quint8 FlagCritical = 4; // under 5 %
    static constexpr quint8 FlagCharging = 8;
    static constexpr quint8 FlagNoBattery = 128; // no system battery
    static constexpr quint8 FlagUnknown = 255;
    static constexpr quint8 PercentUnknown = 255;
    static constexpr qint32 SecondsUnknown = -1;

    quint8 acLineStatus = 1; // 0 offline, 1 online
    quint8 batteryFlag = FlagNoBattery;
    quint8 batteryLifePercent = PercentUnknown;
    qint32 batteryLifeTime = SecondsUnknown; // seconds left; only while discharging

    friend bool operator==(const SystemPowerStatus &, const SystemPowerStatus &) = default;
};

inline bool hasSystemBattery(const SystemPowerStatus &status)
{
    return status.batteryFlag != SystemPowerStatus::FlagNoBattery;
}
