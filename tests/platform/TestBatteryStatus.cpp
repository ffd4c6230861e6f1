#include "SysfsBatteryStatusReader.h"
#include "TestEnvironment.h"

#include <QTest>

Q_DECLARE_METATYPE(SystemPowerStatus)

namespace {

QString fixture(const char *name)
{
    return TestEnvironment::sourceFile(QStringLiteral("platform/data/sysfs/") + QLatin1StringView(name));
}

SystemPowerStatus status(quint8 ac, quint8 flag, quint8 percent, qint32 seconds)
{
    return SystemPowerStatus { ac, flag, percent, seconds };
}

QByteArray describe(const SystemPowerStatus &s)
{
    return QStringLiteral("ac %1 flag %2 percent %3 seconds %4")
        .arg(s.acLineStatus)
        .arg(s.batteryFlag)
        .arg(s.batteryLifePercent)
        .arg(s.batteryLifeTime)
        .toUtf8();
}

} // namespace

class TestBatteryStatus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsFixtureTrees_data();
    void readsFixtureTrees();
    void environmentVariableMovesTheSysfsRoot();
    void missingOrBrokenAttributesGiveUnknownValues();
};

void TestBatteryStatus::readsFixtureTrees_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<SystemPowerStatus>("expected");
    using S = SystemPowerStatus;
    QTest::newRow("discharging 55 %, charge counters") << fixture("discharging") << status(0, 0, 55, 3660);
    QTest::newRow("discharging, energy counters") << fixture("discharging-energy") << status(0, 0, 40, 7200);
    QTest::newRow("critical, driver's estimate, no mains listed")
        << fixture("critical") << status(0, S::FlagLow | S::FlagCritical, 3, 540);
    QTest::newRow("charging: no seconds") << fixture("charging") << status(1, S::FlagHigh | S::FlagCharging, 80, -1);
    QTest::newRow("full") << fixture("full") << status(1, S::FlagHigh, 100, -1);
    QTest::newRow("mains only") << fixture("no-battery") << status(1, S::FlagNoBattery, 255, -1);
    QTest::newRow("peripheral battery only") << fixture("peripheral-only") << status(1, S::FlagNoBattery, 255, -1);
    QTest::newRow("two batteries as one") << fixture("two-batteries") << status(0, 0, 40, 7200);
    QTest::newRow("empty battery bay") << fixture("empty-bay") << status(1, S::FlagNoBattery, 255, -1);
    QTest::newRow("no power supply folder") << fixture("does-not-exist") << status(1, S::FlagNoBattery, 255, -1);

    // Readings that cannot be true count as missing, and the next source answers.
    QTest::newRow("capacity -5: energy counters") << fixture("capacity-negative") << status(0, 0, 40, 7200);
    QTest::newRow("capacity 99999: charge counters") << fixture("capacity-huge") << status(1, S::FlagHigh, 75, -1);
    QTest::newRow("negative energy: charge counters, negative current as a sign")
        << fixture("negative-counters") << status(0, S::FlagLow, 30, 18000);
    QTest::newRow("time_to_empty_now 0: energy / power") << fixture("time-to-empty-zero") << status(0, 0, 50, 9000);
    QTest::newRow("time_to_empty_now of 68 years: charge / current")
        << fixture("time-to-empty-huge") << status(0, S::FlagLow, 20, 1800);
    QTest::newRow("counters whose sum overflows: charge counters")
        << fixture("overflowing-sums") << status(0, 0, 50, 7200);
    QTest::newRow("charging, no level: charging and unknown, not full")
        << fixture("charging-unknown-level") << status(1, S::FlagCharging, 255, -1);
}

void TestBatteryStatus::readsFixtureTrees()
{
    QFETCH(QString, root);
    QFETCH(SystemPowerStatus, expected);
    const SystemPowerStatus actual = SysfsBatteryStatusReader(root).read();
    QVERIFY2(actual == expected, describe(actual).constData());
    QCOMPARE(hasSystemBattery(actual), expected.batteryFlag != SystemPowerStatus::FlagNoBattery);
}

void TestBatteryStatus::environmentVariableMovesTheSysfsRoot()
{
    qputenv("AMPORA_SYSFS_ROOT", QFile::encodeName(fixture("discharging")));
    QCOMPARE(SysfsBatteryStatusReader().read().batteryLifeTime, 3660);
    qputenv("AMPORA_SYSFS_ROOT", QFile::encodeName(fixture("no-battery")));
    QVERIFY(!hasSystemBattery(SysfsBatteryStatusReader().read()));
    qunsetenv("AMPORA_SYSFS_ROOT");
}

void TestBatteryStatus::missingOrBrokenAttributesGiveUnknownValues()
{
    TestEnvironment env;
    const QString battery = QStringLiteral("sys/class/power_supply/BAT0/");
    env.writeFile(battery + QStringLiteral("type"), "Battery\n");
    env.writeFile(battery + QStringLiteral("status"), "Discharging\n");
    env.writeFile(battery + QStringLiteral("capacity"), "fifty\n");
    env.writeFile(battery + QStringLiteral("energy_now"), QByteArray(100000, '7'));
    env.writeFile(battery + QStringLiteral("power_now"), "0\n");
    // Nothing readable about the charge: the state is unknown, not a guess.
    QVERIFY2(SysfsBatteryStatusReader(env.path(QStringLiteral("sys"))).read() == status(0, 255, 255, -1),
        describe(SysfsBatteryStatusReader(env.path(QStringLiteral("sys"))).read()).constData());

    // Known charge but no draw reported: no seconds rather than a division by zero.
    env.writeFile(battery + QStringLiteral("capacity"), "70\n");
    env.writeFile(battery + QStringLiteral("energy_now"), "5000000\n");
    QVERIFY2(SysfsBatteryStatusReader(env.path(QStringLiteral("sys"))).read() == status(0, 1, 70, -1),
        describe(SysfsBatteryStatusReader(env.path(QStringLiteral("sys"))).read()).constData());
}

QTEST_GUILESS_MAIN(TestBatteryStatus)
#include "TestBatteryStatus.moc"
