#include "PowerEventMonitor.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kLogind = QStringLiteral("org.freedesktop.login1");
constexpr int kMockStartMs = 15000;

} // namespace

class TestPowerEventMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void followsUPowerAndWakeUps();
    void pollsSysfsWhileUPowerIsAway();
    void readsSysfsWithoutBus();

private:
    void startMock(QProcess &mock, const QString &name, const QStringList &arguments);
    static void stopMock(QProcess &mock);
    void setOnBattery(bool onBattery);
    void setAcOnline(bool online);
    QString sysfsRoot() const { return m_env.path(QStringLiteral("sys")); }

    TestEnvironment m_env;
    PrivateBus m_bus;
    QDBusConnection m_connection { QString() };
    QProcess m_upower;
    QProcess m_logind;
};

void TestPowerEventMonitor::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    m_connection = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("events"));
    QVERIFY(m_connection.isConnected());
}

void TestPowerEventMonitor::cleanup()
{
    stopMock(m_upower);
    stopMock(m_logind);
}

void TestPowerEventMonitor::startMock(QProcess &mock, const QString &name, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_bus.address());
    mock.setProcessEnvironment(environment);
    mock.start(QStringLiteral("/usr/bin/python3"),
        QStringList { QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system") } + arguments);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection.interface()->isServiceRegistered(name), kMockStartMs);
}

void TestPowerEventMonitor::stopMock(QProcess &mock)
{
    mock.terminate();
    mock.waitForFinished();
}

void TestPowerEventMonitor::setOnBattery(bool onBattery)
{
    // The mock reports every Set, a repeated value too.
    QDBusMessage set = QDBusMessage::createMethodCall(kUPower, QStringLiteral("/org/freedesktop/UPower"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    set << kUPower << QStringLiteral("OnBattery") << QVariant::fromValue(QDBusVariant(onBattery));
    QCOMPARE(m_connection.call(set).type(), QDBusMessage::ReplyMessage);
}

void TestPowerEventMonitor::setAcOnline(bool online)
{
    m_env.writeFile(QStringLiteral("sys/class/power_supply/AC/type"), "Mains\n");
    m_env.writeFile(QStringLiteral("sys/class/power_supply/AC/online"), online ? "1\n" : "0\n");
}

void TestPowerEventMonitor::followsUPowerAndWakeUps()
{
    // The kernel disagrees with UPower: the source must come from UPower alone while it runs.
    setAcOnline(false);
    startMock(m_upower, kUPower,
        { QStringLiteral("--template"), QStringLiteral("upower"), QStringLiteral("-p"),
            QStringLiteral(R"({"OnBattery": false})") });
    startMock(m_logind, kLogind, { QStringLiteral("--template"), QStringLiteral("logind") });
    PowerEventMonitor monitor(m_connection, sysfsRoot(), nullptr, 20ms);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QSignalSpy changed(&monitor, &PowerEvents::sourceChanged);
    QSignalSpy resumed(&monitor, &PowerEvents::resumed);

    QDBusMessage emitSignal = QDBusMessage::createMethodCall(kLogind, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
    emitSignal << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
               << QStringLiteral("b") << QVariantList { false };
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

void TestPowerEventMonitor::pollsSysfsWhileUPowerIsAway()
{
    setAcOnline(true);
    PowerEventMonitor monitor(m_connection, sysfsRoot(), nullptr, 20ms);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    QSignalSpy changed(&monitor, &PowerEvents::sourceChanged);

    setAcOnline(false);
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(monitor.source(), PowerSource::Dc);

    // UPower taking over is read at once; its going away hands back to the kernel's view.
    startMock(m_upower, kUPower, { QStringLiteral("--template"), QStringLiteral("upower") });
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(monitor.source(), PowerSource::Ac);
    stopMock(m_upower);
    QTRY_COMPARE(changed.count(), 3);
    QCOMPARE(monitor.source(), PowerSource::Dc);
}

void TestPowerEventMonitor::readsSysfsWithoutBus()
{
    setAcOnline(false);
    const PowerEventMonitor monitor(QDBusConnection(QStringLiteral("never-connected")), sysfsRoot());
    QCOMPARE(monitor.source(), PowerSource::Dc);
}

QTEST_GUILESS_MAIN(TestPowerEventMonitor)
#include "TestPowerEventMonitor.moc"
