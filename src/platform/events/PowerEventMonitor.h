#pragma once

#include "AmporaBaseExport.h"
#include "PowerEvents.h"
#include "SysfsBatteryStatusReader.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <optional>

class QDBusMessage;

// The power source from UPower's OnBattery (its PropertiesChanged signal) on the system bus, and
// wake-ups from logind's PrepareForSleep(false). Without UPower, the kernel's power supply class
// is read every 30 seconds instead (<sysfs>/class/power_supply, as SysfsBatteryStatusReader does).
// UPower coming and going is followed, so a restarted daemon takes over from the poll again.
// power-profiles-daemon starting, and its last profile hold ending, are passed on as well.
class AMPORA_BASE_EXPORT PowerEventMonitor : public PowerEvents
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultPollInterval { 30000 };

    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    explicit PowerEventMonitor(const QDBusConnection &systemBus, const QString &sysfsRoot = {},
        QObject *parent = nullptr, std::chrono::milliseconds pollInterval = kDefaultPollInterval);

    PowerSource source() const override;

private Q_SLOTS:
    void onUPowerPropertiesChanged(
        const QString &interface, const QVariantMap &changed, const QStringList &invalidated);
    void onPrepareForSleep(bool starting);
    void onProfilesPropertiesChanged(
        const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    void subscribe();
    void onUPowerOwnerChanged(const QString &newOwner);
    std::optional<PowerSource> readUPower();
    void readUPowerLater();
    void useSysfs();
    void pollSysfs();
    void setSource(PowerSource now);

    QDBusConnection m_systemBus;
    SysfsBatteryStatusReader m_sysfs;
    QTimer m_poll;
    PowerSource m_source = PowerSource::Ac;
};
