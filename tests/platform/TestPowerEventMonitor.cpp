#include "PowerEventMonitor.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kLogind = u"org.freedesktop.login1"_s;

} // namespace

class TestPowerEventMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void followsUPowerAndWakeUps();
    void pollsSysfsWhileUPowerIsAwayOrNoBus();

private:
    void setOnBattery(bool onBattery);
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
    QDBusMessage set = QDBusMessage::createMethodCall(
        kUPower, u"/org/freedesktop/UPower"_s, u"org.freedesktop.DBus.Properties"_s, u"Set"_s);
    set << kUPower << u"OnBattery"_s << QVariant::fromValue(QDBusVariant(onBattery));
    QCOMPARE(m_connection.call(set).type(), QDBusMessage::ReplyMessage);
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

    QDBusMessage emitSignal = QDBusMessage::createMethodCall(
        kLogind, u"/org/freedesktop/login1"_s, u"org.freedesktop.DBus.Mock"_s, u"EmitSignal"_s);
    emitSignal << u"org.freedesktop.login1.Manager"_s << u"PrepareForSleep"_s << u"b"_s << QVariantList { false };
    QCOMPARE(m_connection.call(emitSignal).type(), QDBusMessage::ReplyMessage);
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

void TestPowerEventMonitor::pollsSysfsWhileUPowerIsAwayOrNoBus()
{
    setAcOnline(true);
    PowerEventMonitor monitor(m_connection, sysfsRoot(), nullptr, 20ms);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QSignalSpy changed(&monitor, &PowerEvents::sourceChanged);

    setAcOnline(false);
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(monitor.source(), PowerSource::Dc);

    // UPower taking over is read at once; its going away hands back to the kernel's view.
    QVERIFY(m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s }, kUPower));
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    m_upower.kill();
    QTRY_COMPARE(changed.count(), 3);
    QCOMPARE(monitor.source(), PowerSource::Dc);

    // With no bus at all, the kernel alone.
    QCOMPARE(PowerEventMonitor(QDBusConnection(u"never-connected"_s), sysfsRoot()).source(), PowerSource::Dc);
}

QTEST_GUILESS_MAIN(TestPowerEventMonitor)
#include "TestPowerEventMonitor.moc"
