// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "KernelPowerSupplyWatch.h"
#include "PowerEvents.h"
#include "SysfsBatteryStatusReader.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QDBusMessage;

// The power source from UPower's OnBattery (its PropertiesChanged signal) on the system bus, and
// wake-ups from logind's PrepareForSleep(false). Without UPower, the kernel's power supply class
// (<sysfs>/class/power_supply, as SysfsBatteryStatusReader does) is read again whenever the kernel
// tells of a power supply event (KernelPowerSupplyWatch), or every 30 seconds where its uevent
// socket cannot be opened. UPower coming and going is followed, so a restarted daemon takes over
// from the kernel again.
// power-profiles-daemon starting, and its last profile hold ending, are passed on as well. The
// battery's charge comes from UPower's display device (Percentage, while IsPresent), or from the
// kernel's power supply class along with the source.
class AMPORA_BASE_EXPORT PowerEventMonitor : public PowerEvents
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultPollInterval { 30000 };
    // Opens the kernel's uevent watch each time UPower is found absent.
    using KernelWatchOpener = std::function<std::unique_ptr<KernelPowerSupplyWatch>()>;

    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it. openKernelWatch empty: the
    // kernel's own uevent socket.
    explicit PowerEventMonitor(const QDBusConnection &systemBus, const QString &sysfsRoot = {},
        QObject *parent = nullptr, std::chrono::milliseconds pollInterval = kDefaultPollInterval,
        KernelWatchOpener openKernelWatch = {});

    PowerSource source() const override;
    std::optional<int> batteryPercent() const override { return m_percent; }

private Q_SLOTS:
    void onUPowerPropertiesChanged(
        const QString &interface, const QVariantMap &changed, const QStringList &invalidated);
    void onPrepareForSleep(bool starting);
    void onProfilesPropertiesChanged(
        const QString &interface, const QVariantMap &changed, const QStringList &invalidated);
    void onDisplayDeviceChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    void subscribe();
    void onUPowerOwnerChanged(const QString &newOwner);
    std::optional<PowerSource> readUPower();
    void readUPowerLater();
    void useSysfs();
    void followKernel();
    void stopFollowingKernel();
    void readSysfs();
    void setSource(PowerSource now);
    void readDisplayDeviceLater();
    void takeDisplayDevice(const QVariantMap &properties);
    void setPercent(std::optional<int> now);

    QDBusConnection m_systemBus;
    SysfsBatteryStatusReader m_sysfs;
    KernelWatchOpener m_openKernelWatch;
    std::unique_ptr<KernelPowerSupplyWatch> m_kernelWatch;
    QTimer m_poll { this };
    PowerSource m_source = PowerSource::Ac;
    std::optional<int> m_percent;
    bool m_displayDevicePresent = false;
};
