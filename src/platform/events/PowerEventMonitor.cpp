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
    } else {
        // Watched before the first read, so a change between the two is not lost.
        followKernel();
        m_source = m_sysfs.read().acLineStatus == 0 ? PowerSource::Dc : PowerSource::Ac;
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
    });
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
    setSource(m_sysfs.read().acLineStatus == 0 ? PowerSource::Dc : PowerSource::Ac);
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
