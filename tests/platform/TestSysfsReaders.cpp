// SPDX-License-Identifier: GPL-3.0-or-later
#include "SysfsBatteryStatusReader.h"
#include "SysfsCapabilityReader.h"
#include "TestEnvironment.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SystemPowerStatus)

namespace {

QString fixture(const char *name)
{
    return TestEnvironment::sourceFile(u"platform/data/sysfs/"_s + QLatin1StringView(name));
}

QByteArray describe(const SystemPowerStatus &s)
{
    return u"ac %1 flag %2 percent %3 seconds %4"_s.arg(s.acLineStatus)
        .arg(s.batteryFlag)
        .arg(s.batteryLifePercent)
        .arg(s.batteryLifeTime)
        .toUtf8();
}

// What the machine can do, as the plan editor asks it, or why that cannot be known.
QString capabilitiesOf(const char *root)
{
    const Result<PlanCapabilities> read = SysfsCapabilityReader(fixture(root)).read();
    if (!read)
        return read.failure().message;
    QStringList found;
    for (const auto &[has, name] : { std::pair(read->powerButton, "power button"),
             std::pair(read->sleepButton, "sleep button"), std::pair(read->lid, "lid"),
             std::pair(read->batteries, "batteries"), std::pair(read->displayDimming, "dimming") }) {
        if (has)
            found.append(QString::fromLatin1(name));
    }
    return found.join(u", "_s);
}

} // namespace

// The machine as the kernel's sysfs shows it: the battery's state and what the machine can do.
class TestSysfsReaders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsBatteryTrees_data();
    void readsBatteryTrees();
    void missingOrBrokenAttributesGiveUnknownValues();
    void readsCapabilities();
    void bitmapsAsTheKernelPrintsThem_data();
    void bitmapsAsTheKernelPrintsThem();
};

void TestSysfsReaders::readsBatteryTrees_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<SystemPowerStatus>("expected");
    using S = SystemPowerStatus;
    QTest::newRow("discharging 55 %, charge counters") << fixture("discharging") << S { 0, 0, 55, 3660 };
    QTest::newRow("discharging, energy counters") << fixture("discharging-energy") << S { 0, 0, 40, 7200 };
    QTest::newRow("critical, driver's estimate, no mains listed")
        << fixture("critical") << S { 0, S::FlagLow | S::FlagCritical, 3, 540 };
    QTest::newRow("charging: no seconds") << fixture("charging") << S { 1, S::FlagHigh | S::FlagCharging, 80, -1 };
    QTest::newRow("full") << fixture("full") << S { 1, S::FlagHigh, 100, -1 };
    QTest::newRow("mains only") << fixture("no-battery") << S { 1, S::FlagNoBattery, 255, -1 };
    QTest::newRow("peripheral battery only") << fixture("peripheral-only") << S { 1, S::FlagNoBattery, 255, -1 };
    QTest::newRow("two batteries as one") << fixture("two-batteries") << S { 0, 0, 40, 7200 };
    QTest::newRow("empty battery bay") << fixture("empty-bay") << S { 1, S::FlagNoBattery, 255, -1 };
    QTest::newRow("no power supply folder") << fixture("does-not-exist") << S { 1, S::FlagNoBattery, 255, -1 };

    // Readings that cannot be true count as missing, and the next source answers.
    QTest::newRow("capacity -5: energy counters") << fixture("capacity-negative") << S { 0, 0, 40, 7200 };
    QTest::newRow("capacity 99999: charge counters") << fixture("capacity-huge") << S { 1, S::FlagHigh, 75, -1 };
    QTest::newRow("negative energy: charge counters, negative current as a sign")
        << fixture("negative-counters") << S { 0, S::FlagLow, 30, 18000 };
    QTest::newRow("time_to_empty_now 0: energy / power") << fixture("time-to-empty-zero") << S { 0, 0, 50, 9000 };
    QTest::newRow("time_to_empty_now of 68 years: charge / current")
        << fixture("time-to-empty-huge") << S { 0, S::FlagLow, 20, 1800 };
    QTest::newRow("counters whose sum overflows: charge counters")
        << fixture("overflowing-sums") << S { 0, 0, 50, 7200 };
    QTest::newRow("charging, no level: charging and unknown, not full")
        << fixture("charging-unknown-level") << S { 1, S::FlagCharging, 255, -1 };
}

void TestSysfsReaders::readsBatteryTrees()
{
    QFETCH(QString, root);
    QFETCH(SystemPowerStatus, expected);
    const SystemPowerStatus actual = SysfsBatteryStatusReader(root).read();
    QVERIFY2(actual == expected, describe(actual).constData());
    QCOMPARE(hasSystemBattery(actual), expected.batteryFlag != SystemPowerStatus::FlagNoBattery);
}

void TestSysfsReaders::missingOrBrokenAttributesGiveUnknownValues()
{
    TestEnvironment env;
    const QString battery = u"sys/class/power_supply/BAT0/"_s;
    env.writeFile(battery + u"type"_s, "Battery\n");
    env.writeFile(battery + u"status"_s, "Discharging\n");
    env.writeFile(battery + u"capacity"_s, "fifty\n");
    env.writeFile(battery + u"energy_now"_s, QByteArray(100000, '7'));
    env.writeFile(battery + u"power_now"_s, "0\n");
    const auto read = [&] { return SysfsBatteryStatusReader(env.path(u"sys"_s)).read(); };
    // Nothing readable about the charge: the state is unknown, not a guess.
    QVERIFY2((read() == SystemPowerStatus { 0, 255, 255, -1 }), describe(read()).constData());

    // Known charge but no draw reported: no seconds rather than a division by zero.
    env.writeFile(battery + u"capacity"_s, "70\n");
    env.writeFile(battery + u"energy_now"_s, "5000000\n");
    QVERIFY2((read() == SystemPowerStatus { 0, 1, 70, -1 }), describe(read()).constData());
}

void TestSysfsReaders::readsCapabilities()
{
    QCOMPARE(capabilitiesOf("caps-laptop"), u"power button, sleep button, lid, batteries, dimming"_s);
    // A keyboard without power keys, a headphone switch and a mouse battery count for nothing.
    QCOMPARE(capabilitiesOf("caps-desktop"), u"power button"_s);
    // A battery and a backlight do not make up for buttons that cannot be known.
    QCOMPARE(capabilitiesOf("caps-input-unreadable"), u"Failed to read the power capabilities.\nError code: 20"_s);
    QCOMPARE(capabilitiesOf("does-not-exist"), u"Failed to read the power capabilities.\nError code: 2"_s);
}

void TestSysfsReaders::bitmapsAsTheKernelPrintsThem_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("bit");
    QTest::addColumn<int>("wordBits");
    QTest::addColumn<bool>("set");
    QTest::newRow("KEY_POWER, 64-bit words") << "10000000000000 0\n"_ba << 116 << 64 << true;
    QTest::newRow("bit 52 of the first word is not KEY_POWER") << "10000000000000\n"_ba << 116 << 64 << false;
    QTest::newRow("KEY_POWER, 32-bit words") << "100000 0 0 0\n"_ba << 116 << 32 << true;
    QTest::newRow("beyond the last word") << "4000 0 0\n"_ba << 200 << 64 << false;
    QTest::newRow("empty file") << ""_ba << 0 << 64 << false;
    QTest::newRow("not hexadecimal") << "1 xyz\n"_ba << 0 << 64 << false;
    QTest::newRow("a sign is not a digit") << "-1\n"_ba << 0 << 64 << false;
    QTest::newRow("a word wider than a long") << "10000000000000000 1\n"_ba << 0 << 64 << false;
}

void TestSysfsReaders::bitmapsAsTheKernelPrintsThem()
{
    QFETCH(QByteArray, text);
    QFETCH(int, bit);
    QFETCH(int, wordBits);
    QFETCH(bool, set);
    QCOMPARE(SysfsCapabilityReader::bitmapHasBit(text, bit, wordBits), set);
}

QTEST_GUILESS_MAIN(TestSysfsReaders)
#include "TestSysfsReaders.moc"
