#include "BatteryPopup.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(SystemPowerStatus)

namespace {

// Short distinct texts so every assertion shows which key was used.
const QByteArray kLanguage = "[Ampora]\n"
                             "IDS_BATTERY_STATUS=Status\nIDS_POWER_SOURCE=Source\nIDS_AC_POWER=Mains\n"
                             "IDS_BATTERY=Battery\nIDS_REMAINING=Left\nIDS_LASTS_FOR=Lasts\n"
                             "IDS_SEC=s\nIDS_MIN=min\nIDS_HR=h\n"
                             "IDS_CANT_PREDICTED=Unknown\nIDS_NO_BATTERY=None\nIDS_CHARGING=Charging\n"
                             "IDS_FULL_BATTERY=Full\nIDS_CRITICAL_BATTERY=Critical\nIDS_LOW_BATTERY=Low\n"
                             "IDS_DISCHARGING=Discharging\n";

} // namespace

class TestBatteryPopup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_env.writeFile(QStringLiteral("program/ampctleng.ini"), kLanguage); }

    void statusTable_data();
    void statusTable();
    void remainingTime_data();
    void remainingTime();
    void wholePopup_data();
    void wholePopup();
    void shippedTextsReadAsEnglish();

private:
    TestEnvironment m_env;
};

void TestBatteryPopup::statusTable_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("key");
    QTest::addColumn<PopupAccent>("accent");
    const QString discharging = QStringLiteral("IDS_DISCHARGING");
    QTest::newRow("unknown flag") << 255 << 50 << QStringLiteral("IDS_CANT_PREDICTED") << PopupAccent::Orange;
    QTest::newRow("no battery") << 128 << 255 << QStringLiteral("IDS_NO_BATTERY") << PopupAccent::Orange;
    QTest::newRow("charging 99") << 8 << 99 << QStringLiteral("IDS_CHARGING") << PopupAccent::Blue;
    QTest::newRow("charging at 3 is not critical")
        << (8 | 4) << 3 << QStringLiteral("IDS_CHARGING") << PopupAccent::Blue;
    QTest::newRow("high and charging at 100") << 9 << 100 << QStringLiteral("IDS_FULL_BATTERY") << PopupAccent::Green;
    QTest::newRow("charging, no reading is not full")
        << 8 << 255 << QStringLiteral("IDS_CHARGING") << PopupAccent::Blue;
    QTest::newRow("0") << 6 << 0 << QStringLiteral("IDS_CRITICAL_BATTERY") << PopupAccent::Orange;
    QTest::newRow("8") << 2 << 8 << QStringLiteral("IDS_CRITICAL_BATTERY") << PopupAccent::Orange;
    QTest::newRow("9") << 2 << 9 << QStringLiteral("IDS_LOW_BATTERY") << PopupAccent::Yellow;
    QTest::newRow("15") << 2 << 15 << QStringLiteral("IDS_LOW_BATTERY") << PopupAccent::Yellow;
    QTest::newRow("16") << 2 << 16 << discharging << PopupAccent::Blue;
    QTest::newRow("99") << 1 << 99 << discharging << PopupAccent::Blue;
    QTest::newRow("100 not charging") << 1 << 100 << QStringLiteral("IDS_FULL_BATTERY") << PopupAccent::Green;
    QTest::newRow("no reading, not charging") << 0 << 255 << discharging << PopupAccent::Blue;
}

void TestBatteryPopup::statusTable()
{
    QFETCH(int, flag);
    QFETCH(int, percent);
    QFETCH(QString, key);
    QFETCH(PopupAccent, accent);
    const BatteryPopup::State state = BatteryPopup::stateOf(quint8(flag), quint8(percent));
    QCOMPARE(state.statusKey, key);
    QCOMPARE(state.accent, accent);
}

void TestBatteryPopup::remainingTime_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("-1 (not reported)") << -1 << QString();
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1") << 1 << QStringLiteral("1 s");
    QTest::newRow("59") << 59 << QStringLiteral("59 s");
    QTest::newRow("60") << 60 << QStringLiteral("1 min");
    QTest::newRow("3,599") << 3599 << QStringLiteral("59 min");
    QTest::newRow("3,600: no 0 min") << 3600 << QStringLiteral("1 h");
    QTest::newRow("3,659") << 3659 << QStringLiteral("1 h");
    QTest::newRow("3,660") << 3660 << QStringLiteral("1 h 1 min");
    QTest::newRow("7,259") << 7259 << QStringLiteral("2 h");
    QTest::newRow("largest") << std::numeric_limits<qint32>::max() << QStringLiteral("596523 h 14 min");
}

void TestBatteryPopup::remainingTime()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(BatteryPopup::durationText(seconds), text);
}

void TestBatteryPopup::wholePopup_data()
{
    QTest::addColumn<SystemPowerStatus>("status");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    QTest::addColumn<PopupAccent>("accent");
    QTest::newRow("discharging 55 %") << SystemPowerStatus { 0, 0, 55, 3660 } << QStringLiteral("Status\t: Discharging")
                                      << QStringLiteral("Source\t: Battery\nLeft\t: 55%\nLasts\t: 1 h 1 min\n")
                                      << PopupAccent::Blue;
    QTest::newRow("charging on mains") << SystemPowerStatus { 1, 9, 80, -1 } << QStringLiteral("Status\t: Charging")
                                       << QStringLiteral("Source\t: Mains\nLeft\t: 80%\n") << PopupAccent::Blue;
    QTest::newRow("charging, level unknown: no 255%")
        << SystemPowerStatus { 1, 8, 255, -1 } << QStringLiteral("Status\t: Charging")
        << QStringLiteral("Source\t: Mains\nLeft\t: N/A\n") << PopupAccent::Blue;
    QTest::newRow("no system battery") << SystemPowerStatus { 1, 128, 255, -1 } << QStringLiteral("Status\t: None")
                                       << QStringLiteral("Source\t: Mains\nLeft\t: N/A\n") << PopupAccent::Orange;
    QTest::newRow("unknown state") << SystemPowerStatus { 255, 255, 255, -1 } << QStringLiteral("Status\t: Unknown")
                                   << QStringLiteral("Source\t: Mains\nLeft\t: N/A\n") << PopupAccent::Orange;
}

void TestBatteryPopup::wholePopup()
{
    QFETCH(SystemPowerStatus, status);
    QFETCH(QString, title);
    QFETCH(QString, body);
    QFETCH(PopupAccent, accent);
    const BatteryPopup popup = BatteryPopup::forStatus(status);
    QCOMPARE(popup.title, title);
    QCOMPARE(popup.body, body);
    QCOMPARE(popup.accent, accent);
}

// The language file users get: singular and plural both read right, so units are abbreviations.
void TestBatteryPopup::shippedTextsReadAsEnglish()
{
    const QString shipped = qEnvironmentVariable("AMPORA_BUILD_DIR") + QStringLiteral("/ampctleng.ini");
    QVERIFY2(QFile::exists(shipped), qPrintable(shipped));
    m_env.writeFile(QStringLiteral("program/ampctleng.ini"), TestEnvironment::readFile(shipped));
    QCOMPARE(BatteryPopup::durationText(1), QStringLiteral("1 s"));
    QCOMPARE(BatteryPopup::durationText(61), QStringLiteral("1 min"));
    QCOMPARE(BatteryPopup::durationText(7320), QStringLiteral("2 h 2 min"));
    const BatteryPopup popup = BatteryPopup::forStatus(SystemPowerStatus { 0, 0, 55, 3660 });
    QCOMPARE(popup.title, QStringLiteral("Battery status\t: Discharging"));
    QCOMPARE(popup.body, QStringLiteral("Power source\t: Battery\nRemaining\t: 55%\nLasts for\t: 1 h 1 min\n"));
}

QTEST_GUILESS_MAIN(TestBatteryPopup)
#include "TestBatteryPopup.moc"
