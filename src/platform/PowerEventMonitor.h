#pragma once

#include "PowerEvents.h"

#include <QDBusConnection>
#include <QString>

// The power source from UPower's OnBattery (its PropertiesChanged signal) on the system bus, and
// wake-ups from logind's PrepareForSleep(false). Without UPower, the kernel's power supply class
// is read every 30 seconds instead (<sysfs>/class/power_supply, as SysfsBatteryStatusReader does).
class PowerEventMonitor : public PowerEvents
{
    Q_OBJECT
public:
    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    explicit PowerEventMonitor(
        const QDBusConnection &systemBus, const QString &sysfsRoot = {}, QObject *parent = nullptr);

    PowerSource source() const override;

private:
    QDBusConnection m_systemBus;
    QString m_sysfsRoot;
    PowerSource m_source = PowerSource::Ac;
};
