// SPDX-License-Identifier: GPL-3.0-or-later
// Power-based schedules as the running copy carries them out: UPower and logind stand-ins
// (python3-dbusmock) on a private system bus, the real plan store and schedule file.
#include "PowerTriggerFile.h"
#include "PowerTriggerSwitch.h"
#include "PrivateBus.h"
#include "ResidentServices.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kLogind = u"org.freedesktop.login1"_s;
const QUuid kBalanced = QUuid::fromString(u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s);
const QUuid kHigh = QUuid::fromString(u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}"_s);
const QUuid kSaver = QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}"_s);

} // namespace

class TestPowerTriggers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void runningCopySwitchesOncePerCrossingAndLetsManualSwitchesHold();
    void fileKeepsWhatItCannotRead();

private:
    void set(const QString &path, const QString &interface, const QString &property, const QVariant &value);
    void setOnBattery(bool onBattery) { set(u"/org/freedesktop/UPower"_s, kUPower, u"OnBattery"_s, onBattery); }
    void setPercentage(double percent);
    void wake();
    QUuid active() const { return m_store->activeScheme().valueOr(QUuid()); }
    PowerPlan plan(const QUuid &guid) const { return { m_store->friendlyName(guid).valueOr({}), {}, guid }; }

    TestEnvironment m_env;
    PrivateBus m_bus;
    BusService m_upower;
    BusService m_logind;
    std::unique_ptr<SchemeStore> m_store;
};

void TestPowerTriggers::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    // Before anything asks for the system bus: the process keeps its first connection.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.address().toUtf8());
    QVERIFY2(
        m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s, u"-p"_s, uR"({"OnBattery": false})"_s }, kUPower),
        qPrintable(m_bus.errorText()));
    QVERIFY2(m_bus.startMock(m_logind, { u"--template"_s, u"logind"_s }, kLogind), qPrintable(m_bus.errorText()));
    set(u"/org/freedesktop/UPower/devices/DisplayDevice"_s, u"org.freedesktop.UPower.Device"_s, u"IsPresent"_s, true);
    setPercentage(50);
    m_store = std::make_unique<SchemeStore>(sharedStrings().schemeStoreFile);
}

void TestPowerTriggers::set(
    const QString &path, const QString &interface, const QString &property, const QVariant &value)
{
    // The mock reports every Set, a repeated value too.
    QDBusMessage call = QDBusMessage::createMethodCall(kUPower, path, u"org.freedesktop.DBus.Properties"_s, u"Set"_s);
    call << interface << property << QVariant::fromValue(QDBusVariant(value));
    QCOMPARE(QDBusConnection::systemBus().call(call).type(), QDBusMessage::ReplyMessage);
}

void TestPowerTriggers::setPercentage(double percent)
{
    set(u"/org/freedesktop/UPower/devices/DisplayDevice"_s, u"org.freedesktop.UPower.Device"_s, u"Percentage"_s,
        percent);
}

void TestPowerTriggers::wake()
{
    QDBusMessage emitSignal = QDBusMessage::createMethodCall(
        kLogind, u"/org/freedesktop/login1"_s, u"org.freedesktop.DBus.Mock"_s, u"EmitSignal"_s);
    emitSignal << u"org.freedesktop.login1.Manager"_s << u"PrepareForSleep"_s << u"b"_s << QVariantList { false };
    QCOMPARE(QDBusConnection::systemBus().call(emitSignal).type(), QDBusMessage::ReplyMessage);
}

void TestPowerTriggers::runningCopySwitchesOncePerCrossingAndLetsManualSwitchesHold()
{
    using enum PowerTrigger::Event;
    QVERIFY(PowerTriggerFile::save(*m_store, plan(kBalanced), OnBattery, 0));
    QVERIFY(PowerTriggerFile::save(*m_store, plan(kSaver), BatteryBelow, 20));
    QVERIFY(PowerTriggerFile::save(*m_store, plan(kHigh), OnMains, 0));
    // A disabled schedule does nothing; a second one for the same event is refused.
    const Result<QUuid> lower = PowerTriggerFile::save(*m_store, plan(kHigh), BatteryBelow, 10);
    QVERIFY(lower && PowerTriggerFile::setEnabled(*m_store, *lower, false));
    QVERIFY(PowerTriggerFile::save(*m_store, plan(kHigh), OnBattery, 0).failedWith(Failure::Kind::AlreadyExists));
    QVERIFY(m_store->setActiveScheme(kHigh));

    ResidentServices resident(*m_store);
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
    QVERIFY(m_store->setActiveScheme(kHigh));
    setPercentage(20);
    setPercentage(19);
    QTRY_COMPARE(resident.events().batteryPercent(), std::optional<int>(19));
    QCOMPARE(active(), kHigh);
    // Further down, and past the disabled 10 % schedule: the same crossing, nothing again.
    setPercentage(18);
    setPercentage(9);
    QTRY_COMPARE(resident.events().batteryPercent(), std::optional<int>(9));

    // The user's own choice holds through more of the same: a repeated OnBattery, a lower charge.
    QVERIFY(m_store->setActiveScheme(kHigh));
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
    QVERIFY(m_store->setActiveScheme(kBalanced));
    setOnBattery(false);

    // Waking up, with an after-wake schedule added while the copy runs.
    QVERIFY(PowerTriggerFile::save(*m_store, plan(kSaver), AfterWake, 0));
    wake();
    QTRY_COMPARE(switched.count(), 5);
    QCOMPARE(active(), kSaver);
    QCOMPARE(switched.at(4).at(0).toUuid(), kSaver);
}

void TestPowerTriggers::fileKeepsWhatItCannotRead()
{
    // An entry of a later version (an event this one does not know) is kept aside, not lost, when
    // the file is next written; reading alone never writes.
    QVERIFY(QFile::remove(PowerTriggerFile::path()) || !QFile::exists(PowerTriggerFile::path()));
    const QByteArray written = "[Ampora]\nampctl_TriggerId0={11111111-2222-3333-4444-555555555555}\n"
                               "ampctl_PwrPlanGuid0={381B4222-F694-41F0-9685-FF5BB260DF2E}\n"
                               "ampctl_TriggerEvent0=on-lid-close\nampctl_SchdEnabled0=Enabled\n";
    m_env.writeFile(PowerTriggerFile::path(), written);
    QVERIFY(PowerTriggerFile::read(*m_store).isEmpty());
    QCOMPARE(TestEnvironment::readFile(PowerTriggerFile::path()), written);
    QVERIFY(PowerTriggerFile::save(*m_store, plan(kSaver), PowerTrigger::Event::OnBattery, 0));
    QCOMPARE(PowerTriggerFile::read(*m_store).size(), 1);
    const QStringList kept = QDir(sharedStrings().dataFolder).entryList({ u"AmporaPowerTriggers.ini.corrupt-*"_s });
    QCOMPARE(kept.size(), 1);
    QCOMPARE(TestEnvironment::readFile(sharedStrings().dataFolder + u'/' + kept.first()), written);
}

QTEST_GUILESS_MAIN(TestPowerTriggers)
#include "TestPowerTriggers.moc"
