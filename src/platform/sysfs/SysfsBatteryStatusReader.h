// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "BatteryStatusReader.h"

#include <QString>

// The power state from the kernel's power supply class (<sysfs>/class/power_supply, the sysfs root
// being $AMPORA_SYSFS_ROOT or /sys). Batteries of type Battery count unless their scope is Device
// (a mouse, a headset) or they report that they are not present. Several system batteries are
// read as one. The level comes from capacity, else energy_now / energy_full, else charge_now /
// charge_full; seconds left, reported only while discharging, from time_to_empty_now, else
// energy_now / power_now, else charge_now / current_now. A value that cannot be true (a capacity
// outside 0-100, a negative charge, a time of 0) counts as missing, so the next source answers.
class AMPORA_BASE_EXPORT SysfsBatteryStatusReader : public BatteryStatusReader
{
public:
    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    explicit SysfsBatteryStatusReader(const QString &sysfsRoot = {});

    SystemPowerStatus read() const override;

private:
    QString m_supplyFolder;
};
