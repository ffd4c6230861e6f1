#pragma once

#include "BatteryStatusReader.h"

#include <QString>

// The power state from the kernel's power supply class (<sysfs>/class/power_supply, the sysfs root
// being $AMPORA_SYSFS_ROOT or /sys). Batteries of type Battery count unless their scope is Device
// (a mouse, a headset) or they report that they are not present. Several system batteries are
// read as one. Seconds left are reported only while discharging: time_to_empty_now, else
// energy_now / power_now, else charge_now / current_now.
class SysfsBatteryStatusReader : public BatteryStatusReader
{
public:
    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    explicit SysfsBatteryStatusReader(const QString &sysfsRoot = {});

    SystemPowerStatus read() const override;

private:
    QString m_supplyFolder;
};
