// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerEventMonitor.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <array>

namespace {

const QString kUPowerService = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString kUPowerInterface = QStringLiteral("org.freedesktop.UPower");
const QString kOnBattery = QStringLiteral("OnBattery");
const QString kDisplayDevicePath = QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.UPower.Device");
const QString kPercentage = QStringLiteral("Percentage");
const QString kIsPresent = QStringLiteral("IsPresent");
const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// Both names of power-profiles-daemon (0.20 and later serve both, 0.12 the second).
const std::array<std::pair<const char16_t *, const char16_t *>, 2> kProfileDaemons { {
    { u"org.freedesktop.UPower.PowerProfiles", u"/org/freedesktop/UPower/PowerProfiles" },
    { u"net.hadess.PowerProfiles", u"/net/hadess/PowerProfiles" },
} };
// The first read happens while the program starts: a hung UPower must not hold it up for long.
constexpr int kCallTimeoutMs = 1500;

PowerSource sourceFromOnBattery(bool onBattery)
{
    return onBattery ? PowerSource::Dc : PowerSource::Ac;
}

QDBusMessage onBatteryQuery()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kUPowerService, kUPowerPath, kProperties, QStringLiteral("Get"));
    call << kUPowerInterface << kOnBattery;
    return call;
}

std::optional<PowerSource> sourceFromReply(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return sourceFromOnBattery(value.toBool());
}

// Whether value (aa{sv}) holds no element.
bool isEmptyList(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return false;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != u"aa{sv}")
        return false;
    argument.beginArray();
    const bool empty = argument.atEnd();
    argument.endArray();
    return empty;
}

} // namespace

PowerEventMonitor::PowerEventMonitor(const QDBusConnection &systemBus, const QString &sysfsRoot, QObject *parent,
    std::chrono::milliseconds pollInterval, KernelWatchOpener openKernelWatch)
    : PowerEvents(parent)
    , m_systemBus(systemBus)
    , m_sysfs(sysfsRoot)
    , m_openKernelWatch(std::move(openKernelWatch))
{
    if (!m_openKernelWatch)
        m_openKernelWatch = [] { return std::make_unique<KernelPowerSupplyWatch>(); };
    m_poll.setInterval(pollInterval);
    connect(&m_poll, &QTimer::timeout, this, &PowerEventMonitor::readSysfs);
    // Subscribed before the first read, so a change between the two is not lost.
    if (m_systemBus.isConnected())
        subscribe();
    const std::optional<PowerSource> fromUPower = m_systemBus.isConnected() ? readUPower() : std::nullopt;
    if (fromUPower) {
        m_source = *fromUPower;
        readDisplayDeviceLater();
    } else {
        // Watched before the first read, so a change between the two is not lost.
        followKernel();
        const SystemPowerStatus status = m_sysfs.read();
        m_source = status.acLineStatus == 0 ? PowerSource::Dc : PowerSource::Ac;
        if (hasSystemBattery(status) && status.batteryLifePercent <= 100)
            m_percent = status.batteryLifePercent;
    }
}

PowerSource PowerEventMonitor::source() const
{
    return m_source;
}

void PowerEventMonitor::subscribe()
{
    m_systemBus.connect(kUPowerService, kUPowerPath, kProperties, QStringLiteral("PropertiesChanged"), this,
        SLOT(onUPowerPropertiesChanged(QString, QVariantMap, QStringList)));
    m_systemBus.connect(kLogindService, kLogindPath, kLogindManager, QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
    m_systemBus.connect(kUPowerService, kDisplayDevicePath, kProperties, QStringLiteral("PropertiesChanged"), this,
        SLOT(onDisplayDeviceChanged(QString, QVariantMap, QStringList)));
    auto *watcher
        = new QDBusServiceWatcher(kUPowerService, m_systemBus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &, const QString &newOwner) { onUPowerOwnerChanged(newOwner); });

    auto *profiles = new QDBusServiceWatcher(this);
    profiles->setConnection(m_systemBus);
    profiles->setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    for (const auto &[service, path] : kProfileDaemons) {
        profiles->addWatchedService(QString::fromUtf16(service));
        m_systemBus.connect(QString::fromUtf16(service), QString::fromUtf16(path), kProperties,
            QStringLiteral("PropertiesChanged"), this,
            SLOT(onProfilesPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    connect(profiles, &QDBusServiceWatcher::serviceRegistered, this, &PowerEvents::profilesFreed);
}

void PowerEventMonitor::onProfilesPropertiesChanged(const QString &, const QVariantMap &changed, const QStringList &)
{
    const auto holds = changed.constFind(QStringLiteral("ActiveProfileHolds"));
    if (holds != changed.constEnd() && isEmptyList(*holds))
        Q_EMIT profilesFreed();
}

void PowerEventMonitor::onUPowerOwnerChanged(const QString &newOwner)
{
    if (newOwner.isEmpty())
        useSysfs();
    else
        readUPowerLater();
}

std::optional<PowerSource> PowerEventMonitor::readUPower()
{
    return sourceFromReply(m_systemBus.call(onBatteryQuery(), QDBus::Block, kCallTimeoutMs));
}

// Once running, UPower is asked without waiting: the answer comes back through the event loop.
void PowerEventMonitor::readUPowerLater()
{
    auto *watcher = new QDBusPendingCallWatcher(m_systemBus.asyncCall(onBatteryQuery(), kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const std::optional<PowerSource> now = sourceFromReply(call->reply());
        if (!now) {
            useSysfs();
            return;
        }
        stopFollowingKernel();
        setSource(*now);
        readDisplayDeviceLater();
    });
}

void PowerEventMonitor::readDisplayDeviceLater()
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(kUPowerService, kDisplayDevicePath, kProperties, QStringLiteral("GetAll"));
    call << kDeviceInterface;
    auto *watcher = new QDBusPendingCallWatcher(m_systemBus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *reply) {
        reply->deleteLater();
        const QDBusPendingReply<QVariantMap> properties = *reply;
        if (properties.isValid())
            takeDisplayDevice(properties.value());
    });
}

void PowerEventMonitor::onDisplayDeviceChanged(
    const QString &interface, const QVariantMap &changed, const QStringList &invalidated)
{
    if (interface != kDeviceInterface)
        return;
    // A device that just came present tells its charge when asked.
    const bool cameAlone = changed.contains(kIsPresent) && !changed.contains(kPercentage);
    takeDisplayDevice(changed);
    if (invalidated.contains(kPercentage) || invalidated.contains(kIsPresent) || (cameAlone && m_displayDevicePresent))
        readDisplayDeviceLater();
}

// UPower's display device stands for the system's batteries together; without one it is not
// present and its percentage means nothing.
void PowerEventMonitor::takeDisplayDevice(const QVariantMap &properties)
{
    if (const auto present = properties.constFind(kIsPresent); present != properties.constEnd())
        m_displayDevicePresent = present->toBool();
    if (!m_displayDevicePresent) {
        setPercent(std::nullopt);
        return;
    }
    const auto percentage = properties.constFind(kPercentage);
    bool isNumber = false;
    const double value = percentage == properties.constEnd() ? -1 : percentage->toDouble(&isNumber);
    if (isNumber && value >= 0 && value <= 100)
        setPercent(int(value)); // 19.6 % is below 20 %
}

void PowerEventMonitor::setPercent(std::optional<int> now)
{
    if (now == m_percent)
        return;
    m_percent = now;
    if (now)
        Q_EMIT batteryPercentChanged(*now);
}

void PowerEventMonitor::useSysfs()
{
    followKernel();
    readSysfs();
}

// The kernel's uevents wake the program only when a power supply changes. Where its socket cannot
// be opened or fails (a container without netlink, a seccomp filter), the power supply class is
// polled instead: slower to notice and waking the program every interval, but still following.
void PowerEventMonitor::followKernel()
{
    if (m_kernelWatch || m_poll.isActive())
        return;
    m_kernelWatch = m_openKernelWatch();
    if (m_kernelWatch && m_kernelWatch->isWatching()) {
        m_kernelWatch->setParent(this);
        connect(m_kernelWatch.get(), &KernelPowerSupplyWatch::changed, this, &PowerEventMonitor::readSysfs);
        connect(m_kernelWatch.get(), &KernelPowerSupplyWatch::stopped, this, [this] {
            // Deleted later: this runs inside the watch's own signal.
            m_kernelWatch.release()->deleteLater();
            m_poll.start();
            readSysfs();
        });
        return;
    }
    m_kernelWatch.reset();
    m_poll.start();
}

// UPower answers for the source again: nothing of the kernel's is left to wake the program.
void PowerEventMonitor::stopFollowingKernel()
{
    m_kernelWatch.reset();
    m_poll.stop();
}

void PowerEventMonitor::readSysfs()
{
    const SystemPowerStatus status = m_sysfs.read();
    setSource(status.acLineStatus == 0 ? PowerSource::Dc : PowerSource::Ac);
    const bool known = hasSystemBattery(status) && status.batteryLifePercent <= 100;
    setPercent(known ? std::optional<int>(status.batteryLifePercent) : std::nullopt);
}

void PowerEventMonitor::onUPowerPropertiesChanged(
    const QString &interface, const QVariantMap &changed, const QStringList &invalidated)
{
    if (interface != kUPowerInterface)
        return;
    const auto onBattery = changed.constFind(kOnBattery);
    if (onBattery != changed.constEnd() && onBattery->typeId() == QMetaType::Bool) {
        stopFollowingKernel();
        setSource(sourceFromOnBattery(onBattery->toBool()));
    } else if (invalidated.contains(kOnBattery)) {
        readUPowerLater();
    }
}

void PowerEventMonitor::onPrepareForSleep(bool starting)
{
    if (starting)
        return;
    // The plug may have been pulled while asleep: read at once rather than wait for the poll.
    if (m_kernelWatch || m_poll.isActive())
        readSysfs();
    Q_EMIT resumed();
}

void PowerEventMonitor::setSource(PowerSource now)
{
    if (now == m_source)
        return;
    m_source = now;
    Q_EMIT sourceChanged(now);
}
