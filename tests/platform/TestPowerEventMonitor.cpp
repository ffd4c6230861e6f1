// SPDX-License-Identifier: GPL-3.0-or-later
// Power source and wake-ups from UPower, logind and the kernel, and the power-based schedules the
// running copy carries out on them: python3-dbusmock stand-ins on a private system bus, the real
// plan store and schedule file.
#include "KernelUevent.h"
#include "PowerEventMonitor.h"
#include "PowerTriggerFile.h"
#include "PowerTriggerSwitch.h"
#include "PrivateBus.h"
#include "ResidentServices.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QAbstractEventDispatcher>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

using KernelUevents::concernsPowerSource;
using KernelUevents::parseKernelUevent;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kLogind = u"org.freedesktop.login1"_s;
const QString kDisplayDevice = u"/org/freedesktop/UPower/devices/DisplayDevice"_s;
const QUuid kBalanced = QUuid::fromString(u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s);
const QUuid kHigh = QUuid::fromString(u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}"_s);
const QUuid kSaver = QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}"_s);

// As the kernel sends them when the mains adapter goes offline, and when a USB device comes.
const QByteArray kMainsChange = "change@/devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0003:00/power_supply/AC\0"
                                "ACTION=change\0DEVPATH=/devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0003:00/power_supply/AC\0"
                                "SUBSYSTEM=power_supply\0POWER_SUPPLY_NAME=AC\0POWER_SUPPLY_TYPE=Mains\0"
                                "POWER_SUPPLY_ONLINE=0\0SEQNUM=4711\0"_ba;
const QByteArray kUsbAdd = "add@/devices/pci0000:00/0000:00:14.0/usb1/1-2\0ACTION=add\0"
                           "DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2\0SUBSYSTEM=usb\0SEQNUM=4712\0"_ba;

bool isDrained(int socket)
{
    char byte;
    return ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && errno == EAGAIN;
}

// Stands in for the kernel: each watch opened reads one end of a datagram socket pair, the test
// writes to the other.
class FakeKernel
{
public:
    FakeKernel() = default;
    ~FakeKernel() { ::close(m_sender); }
    Q_DISABLE_COPY_MOVE(FakeKernel)

    std::unique_ptr<KernelPowerSupplyWatch> open(KernelPowerSupplyWatch::Senders senders)
    {
        ::close(m_sender);
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, ends) != 0)
            return nullptr;
        m_sender = ends[0];
        m_receiver = ends[1];
        return std::make_unique<KernelPowerSupplyWatch>(ends[1], senders);
    }
    PowerEventMonitor::KernelWatchOpener opener()
    {
        return [this] { return open(KernelPowerSupplyWatch::Senders::Any); };
    }
    // False once the watch has closed its end.
    bool send(const QByteArray &datagram) const
    {
        return ::send(m_sender, datagram.constData(), size_t(datagram.size()), MSG_DONTWAIT) == datagram.size();
    }
    // Whether the watch has read everything sent (only while it is open).
    bool drained() const { return isDrained(m_receiver); }

private:
    int m_sender = -1;
    int m_receiver = -1;
};

// Nothing of the object, nor of anything it owns, may wake the program on a timer.
bool runsNoTimer(const QObject &object)
{
    auto *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher->registeredTimers(const_cast<QObject *>(&object)).isEmpty())
        return false;
    const auto children = object.findChildren<QObject *>();
    return std::all_of(children.begin(), children.end(),
        [dispatcher](QObject *child) { return dispatcher->registeredTimers(child).isEmpty(); });
}

} // namespace

class TestPowerEventMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void followsUPowerAndWakeUps();
    void takesOnlyKernelUeventsOnPowerSupplies();
    void followsKernelUeventsWhileUPowerIsAway();
    void pollsSysfsWithoutUPowerOrUeventSocket();
    void runningCopySwitchesOncePerCrossingAndLetsManualSwitchesHold();
    void triggerFileKeepsWhatItCannotRead();

private:
    void setOnBattery(bool onBattery);
    void setPercentage(double percent);
    void wake();
    void setAcOnline(bool online);
    QString sysfsRoot() const { return m_env.path(u"sys"_s); }

    TestEnvironment m_env;
    PrivateBus m_bus;
    QDBusConnection m_connection { QString() };
    BusService m_upower;
    BusService m_logind;
};

void TestPowerEventMonitor::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    // Before anything asks for the system bus: the process keeps its first connection.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.address().toUtf8());
    m_connection = QDBusConnection::connectToBus(m_bus.address(), u"events"_s);
    QVERIFY(m_connection.isConnected());
}

void TestPowerEventMonitor::cleanup()
{
    m_upower.kill();
    m_upower.waitForFinished();
    m_logind.kill();
    m_logind.waitForFinished();
}

void TestPowerEventMonitor::setOnBattery(bool onBattery)
{
    // The mock reports every Set, a repeated value too.
    QVERIFY(setBusProperty(m_connection, kUPower, u"/org/freedesktop/UPower"_s, kUPower, u"OnBattery"_s, onBattery));
}

void TestPowerEventMonitor::setPercentage(double percent)
{
    QVERIFY(setBusProperty(
        m_connection, kUPower, kDisplayDevice, u"org.freedesktop.UPower.Device"_s, u"Percentage"_s, percent));
}

void TestPowerEventMonitor::wake()
{
    QCOMPARE(
        busCall(m_connection, kLogind, u"/org/freedesktop/login1"_s, u"org.freedesktop.DBus.Mock"_s, u"EmitSignal"_s,
            { u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, u"b"_s, QVariantList { false } })
            .type(),
        QDBusMessage::ReplyMessage);
}

void TestPowerEventMonitor::setAcOnline(bool online)
{
    m_env.writeFile(u"sys/class/power_supply/AC/type"_s, "Mains\n");
    m_env.writeFile(u"sys/class/power_supply/AC/online"_s, online ? "1\n" : "0\n");
}

void TestPowerEventMonitor::followsUPowerAndWakeUps()
{
    // The kernel disagrees with UPower: the source must come from UPower alone while it runs.
    setAcOnline(false);
    QVERIFY(
        m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s, u"-p"_s, uR"({"OnBattery": false})"_s }, kUPower));
    QVERIFY(m_bus.startMock(m_logind, { u"--template"_s, u"logind"_s }, kLogind));
    PowerEventMonitor monitor(m_connection, sysfsRoot(), nullptr, 20ms);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QSignalSpy changed(&monitor, &PowerEvents::sourceChanged);
    QSignalSpy resumed(&monitor, &PowerEvents::resumed);

    wake();
    QTRY_COMPARE(resumed.count(), 1);
    // Not even a wake-up asks the kernel while UPower runs.
    QCOMPARE(changed.count(), 0);

    setOnBattery(true);
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<PowerSource>(), PowerSource::Dc);
    QCOMPARE(monitor.source(), PowerSource::Dc);
    setOnBattery(true);
    setOnBattery(false);
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).value<PowerSource>(), PowerSource::Ac);
}

void TestPowerEventMonitor::takesOnlyKernelUeventsOnPowerSupplies()
{
    const std::optional<KernelUevent> mains = parseKernelUevent(kMainsChange);
    QVERIFY(mains);
    QCOMPARE(mains->action, "change"_ba);
    QCOMPARE(mains->devPath, "/devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0003:00/power_supply/AC"_ba);
    QVERIFY(concernsPowerSource(*mains));
    const std::optional<KernelUevent> usb = parseKernelUevent(kUsbAdd);
    QVERIFY(usb && usb->subsystem == "usb" && !concernsPowerSource(*usb));

    // Cut short anywhere, a datagram counts only once its SUBSYSTEM field has arrived whole.
    const qsizetype subsystemEnd = kMainsChange.indexOf("SUBSYSTEM=power_supply") + 23;
    for (qsizetype size = 0; size <= kMainsChange.size(); ++size) {
        const auto cut = parseKernelUevent(QByteArrayView(kMainsChange).first(size));
        QCOMPARE(cut && concernsPowerSource(*cut), size >= subsystemEnd);
    }

    // udev's own rebroadcast, a header without an action or '@', fields without '=', no fields
    // at all, bytes that are no text: none is a uevent, and none must upset the parser.
    const QByteArray hostile[] = { "libudev\0\xfe\xed\xca\xfe\x28\0\0\0SUBSYSTEM=power_supply\0"_ba,
        "@/devices/AC\0ACTION=change\0SUBSYSTEM=power_supply\0"_ba,
        "change/devices/AC\0ACTION=change\0SUBSYSTEM=power_supply\0"_ba,
        "change@/devices/AC\0ACTION\0SUBSYSTEM\0=\0"_ba, "change@/devices/AC"_ba, "\0\0\0"_ba, QByteArray(64, '\xff'),
        QByteArray() };
    for (const QByteArray &datagram : hostile)
        QVERIFY2(!parseKernelUevent(datagram), datagram.toHex().constData());
    // A repeated key cannot override the first.
    const auto repeated = parseKernelUevent("change@/x\0ACTION=change\0SUBSYSTEM=usb\0SUBSYSTEM=power_supply\0"_ba);
    QVERIFY(repeated && !concernsPowerSource(*repeated));

    // A local process writing to the watch's socket is not the kernel.
    FakeKernel local;
    std::unique_ptr<KernelPowerSupplyWatch> watch = local.open(KernelPowerSupplyWatch::Senders::KernelOnly);
    QSignalSpy changed(watch.get(), &KernelPowerSupplyWatch::changed);
    QVERIFY(local.send(kMainsChange));
    QTRY_VERIFY(local.drained());
    QCOMPARE(changed.count(), 0);

    // Nor is another netlink socket (only root may send one), however well it forges the event.
    const int listener = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (listener < 0)
        QSKIP("No kernel uevent socket here (netlink forbidden)");
    QVERIFY(KernelPowerSupplyWatch().isWatching());
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = 1;
    socklen_t length = sizeof address;
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);
    KernelPowerSupplyWatch kernelOnly(listener, KernelPowerSupplyWatch::Senders::KernelOnly);
    QSignalSpy kernelChanged(&kernelOnly, &KernelPowerSupplyWatch::changed);
    const int forger = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    QVERIFY(forger >= 0);
    address.nl_groups = 0;
    const ssize_t sent = ::sendto(forger, kMainsChange.constData(), size_t(kMainsChange.size()), 0,
        reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::close(forger);
    if (sent < 0)
        QSKIP("Not allowed to send on netlink here");
    QTRY_VERIFY(isDrained(listener));
    QCOMPARE(kernelChanged.count(), 0);
}

void TestPowerEventMonitor::followsKernelUeventsWhileUPowerIsAway()
{
    setAcOnline(true);
    FakeKernel kernel;
    PowerEventMonitor monitor(m_connection, sysfsRoot(), nullptr, 20ms, kernel.opener());
    QCOMPARE(monitor.source(), PowerSource::Ac);
    // Idle, the running copy waits on the socket alone.
    QVERIFY(runsNoTimer(monitor));
    QSignalSpy changed(&monitor, &PowerEvents::sourceChanged);

    // Unplugged, but the kernel has told only of a USB device yet: nothing is read.
    setAcOnline(false);
    QVERIFY(kernel.send(kUsbAdd));
    QTRY_VERIFY(kernel.drained());
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QVERIFY(kernel.send(kMainsChange));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(monitor.source(), PowerSource::Dc);

    // UPower taking over closes the socket; its going away opens a new one.
    QVERIFY(m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s }, kUPower));
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QTRY_VERIFY(!kernel.send(kMainsChange));
    QVERIFY(runsNoTimer(monitor));
    m_upower.kill();
    QTRY_COMPARE(changed.count(), 3);
    setAcOnline(true);
    QVERIFY(kernel.send(kMainsChange));
    QTRY_COMPARE(changed.count(), 4);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QVERIFY(runsNoTimer(monitor));
}

void TestPowerEventMonitor::pollsSysfsWithoutUPowerOrUeventSocket()
{
    setAcOnline(true);
    PowerEventMonitor monitor(m_connection, sysfsRoot(), nullptr, 20ms,
        [] { return std::make_unique<KernelPowerSupplyWatch>(-1, KernelPowerSupplyWatch::Senders::KernelOnly); });
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QSignalSpy changed(&monitor, &PowerEvents::sourceChanged);

    setAcOnline(false);
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(monitor.source(), PowerSource::Dc);

    // UPower taking over is read at once; its going away hands back to the kernel's view.
    QVERIFY(m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s }, kUPower));
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QVERIFY(runsNoTimer(monitor));
    m_upower.kill();
    QTRY_COMPARE(changed.count(), 3);
    QCOMPARE(monitor.source(), PowerSource::Dc);

    // With no bus at all, the kernel alone.
    QCOMPARE(PowerEventMonitor(QDBusConnection(u"never-connected"_s), sysfsRoot()).source(), PowerSource::Dc);
}

void TestPowerEventMonitor::runningCopySwitchesOncePerCrossingAndLetsManualSwitchesHold()
{
    QVERIFY(
        m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s, u"-p"_s, uR"({"OnBattery": false})"_s }, kUPower));
    QVERIFY(m_bus.startMock(m_logind, { u"--template"_s, u"logind"_s }, kLogind));
    QVERIFY(setBusProperty(
        m_connection, kUPower, kDisplayDevice, u"org.freedesktop.UPower.Device"_s, u"IsPresent"_s, true));
    setPercentage(50);
    SchemeStore store(sharedStrings().schemeStoreFile);
    const auto active = [&] { return store.activeScheme().valueOr(QUuid()); };
    const auto plan = [&](const QUuid &guid) { return PowerPlan { store.friendlyName(guid).valueOr({}), {}, guid }; };

    using enum PowerTrigger::Event;
    QVERIFY(PowerTriggerFile::save(store, plan(kBalanced), OnBattery, 0));
    QVERIFY(PowerTriggerFile::save(store, plan(kSaver), BatteryBelow, 20));
    QVERIFY(PowerTriggerFile::save(store, plan(kHigh), OnMains, 0));
    // A disabled schedule does nothing; a second one for the same event is refused.
    const Result<QUuid> lower = PowerTriggerFile::save(store, plan(kHigh), BatteryBelow, 10);
    QVERIFY(lower && PowerTriggerFile::setEnabled(store, *lower, false));
    QVERIFY(PowerTriggerFile::save(store, plan(kHigh), OnBattery, 0).failedWith(Failure::Kind::AlreadyExists));
    QVERIFY(store.setActiveScheme(kHigh));

    ResidentServices resident(store);
    QSignalSpy switched(&resident.powerSwitch(), &PowerTriggerSwitch::planSwitched);
    QTRY_COMPARE(resident.events().batteryPercent(), std::optional<int>(50));
    QCOMPARE(switched.count(), 0); // starting on mains at 50 % is no crossing

    // Unplugged: the on-battery plan. Draining to 30 % passes no level; 19.5 % is below 20 %.
    setOnBattery(true);
    QTRY_COMPARE(switched.count(), 1);
    QCOMPARE(active(), kBalanced);
    setPercentage(30);
    setPercentage(19.5);
    QTRY_COMPARE(switched.count(), 2);
    QCOMPARE(active(), kSaver);
    // A reading that wobbles back to the level and under it again is the same crossing: the
    // user's own choice meanwhile holds.
    QVERIFY(store.setActiveScheme(kHigh));
    setPercentage(20);
    setPercentage(19);
    QTRY_COMPARE(resident.events().batteryPercent(), std::optional<int>(19));
    QCOMPARE(active(), kHigh);
    // Further down, and past the disabled 10 % schedule: the same crossing, nothing again.
    setPercentage(18);
    setPercentage(9);
    QTRY_COMPARE(resident.events().batteryPercent(), std::optional<int>(9));

    // The user's own choice holds through more of the same: a repeated OnBattery, a lower charge.
    QVERIFY(store.setActiveScheme(kHigh));
    setOnBattery(true);
    setPercentage(8);
    QTRY_COMPARE(resident.events().batteryPercent(), std::optional<int>(8));
    QCOMPARE(active(), kHigh);

    // Charged above the level and falling below it again is the next crossing.
    setPercentage(25);
    setPercentage(19);
    QTRY_COMPARE(switched.count(), 3);
    QCOMPARE(active(), kSaver);

    // Plugged in: the on-mains plan; a manual choice after it holds until the next change.
    setOnBattery(false);
    QTRY_COMPARE(switched.count(), 4);
    QCOMPARE(active(), kHigh);
    QVERIFY(store.setActiveScheme(kBalanced));
    setOnBattery(false);

    // Waking up, with an after-wake schedule added while the copy runs.
    QVERIFY(PowerTriggerFile::save(store, plan(kSaver), AfterWake, 0));
    wake();
    QTRY_COMPARE(switched.count(), 5);
    QCOMPARE(active(), kSaver);
    QCOMPARE(switched.at(4).at(0).toUuid(), kSaver);
}

void TestPowerEventMonitor::triggerFileKeepsWhatItCannotRead()
{
    // An entry of a later version (an event this one does not know) is kept aside, not lost, when
    // the file is next written; reading alone never writes.
    SchemeStore store(sharedStrings().schemeStoreFile);
    QVERIFY(QFile::remove(PowerTriggerFile::path()) || !QFile::exists(PowerTriggerFile::path()));
    const QByteArray written = "[Ampora]\nampctl_TriggerId0={11111111-2222-3333-4444-555555555555}\n"
                               "ampctl_PwrPlanGuid0={381B4222-F694-41F0-9685-FF5BB260DF2E}\n"
                               "ampctl_TriggerEvent0=on-lid-close\nampctl_SchdEnabled0=Enabled\n";
    m_env.writeFile(PowerTriggerFile::path(), written);
    QVERIFY(PowerTriggerFile::read(store).isEmpty());
    QCOMPARE(TestEnvironment::readFile(PowerTriggerFile::path()), written);
    QVERIFY(
        PowerTriggerFile::save(store, PowerPlan { u"Power saver"_s, {}, kSaver }, PowerTrigger::Event::OnBattery, 0));
    QCOMPARE(PowerTriggerFile::read(store).size(), 1);
    const QStringList kept = QDir(sharedStrings().dataFolder).entryList({ u"AmporaPowerTriggers.ini.corrupt-*"_s });
    QCOMPARE(kept.size(), 1);
    QCOMPARE(TestEnvironment::readFile(sharedStrings().dataFolder + u'/' + kept.first()), written);
}

QTEST_GUILESS_MAIN(TestPowerEventMonitor)
#include "TestPowerEventMonitor.moc"
