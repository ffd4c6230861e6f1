// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatteryPopup.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

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
    void init() { m_env.writeFile(u"program/ampctleng.ini"_s, kLanguage); }

    void statusTable()
    {
        // Flags: 1 high, 2 low, 4 critical, 8 charging, 128 no battery, 255 unknown; 255 % is no reading.
        const struct
        {
            int flag, percent;
            const char *key;
            PopupAccent accent;
        } cases[] = {
            { 255, 50, "IDS_CANT_PREDICTED", PopupAccent::Orange },
            { 128, 255, "IDS_NO_BATTERY", PopupAccent::Orange },
            { 8 | 4, 3, "IDS_CHARGING", PopupAccent::Blue }, // charging is never critical
            { 9, 100, "IDS_FULL_BATTERY", PopupAccent::Green },
            { 8, 255, "IDS_CHARGING", PopupAccent::Blue }, // no reading is not full
            { 2, 8, "IDS_CRITICAL_BATTERY", PopupAccent::Orange },
            { 2, 9, "IDS_LOW_BATTERY", PopupAccent::Yellow },
            { 2, 15, "IDS_LOW_BATTERY", PopupAccent::Yellow },
            { 2, 16, "IDS_DISCHARGING", PopupAccent::Blue },
            { 1, 100, "IDS_FULL_BATTERY", PopupAccent::Green },
            { 0, 255, "IDS_DISCHARGING", PopupAccent::Blue },
        };
        for (const auto &c : cases) {
            const BatteryPopup::State state = BatteryPopup::stateOf(quint8(c.flag), quint8(c.percent));
            QCOMPARE(state.statusKey, QLatin1String(c.key));
            QCOMPARE(state.accent, c.accent);
        }
    }

    void remainingTime()
    {
        // Nothing when not reported; the unit boundaries; no "0 min"; seconds below a minute dropped.
        const std::pair<int, QString> cases[] = { { -1, {} }, { 59, u"59 s"_s }, { 60, u"1 min"_s },
            { 3599, u"59 min"_s }, { 3600, u"1 h"_s }, { 3659, u"1 h"_s }, { 3660, u"1 h 1 min"_s },
            { std::numeric_limits<qint32>::max(), u"596523 h 14 min"_s } };
        for (const auto &[seconds, text] : cases)
            QCOMPARE(BatteryPopup::durationText(seconds), text);
    }

    void wholePopup()
    {
        const struct
        {
            SystemPowerStatus status;
            QString title, body;
            PopupAccent accent;
        } cases[] = {
            { { 1, 9, 80, -1 }, u"Status\t: Charging"_s, u"Source\t: Mains\nLeft\t: 80%\n"_s, PopupAccent::Blue },
            { { 1, 8, 255, -1 }, u"Status\t: Charging"_s, u"Source\t: Mains\nLeft\t: N/A\n"_s, PopupAccent::Blue },
        };
        for (const auto &c : cases) {
            const BatteryPopup popup = BatteryPopup::forStatus(c.status);
            QCOMPARE(popup.title, c.title);
            QCOMPARE(popup.body, c.body);
            QCOMPARE(popup.accent, c.accent);
        }
    }

    // The language file users get: singular and plural both read right, so units are abbreviations.
    // (Hours and minutes, and a discharging battery's whole popup: the summary page's battery link.)
    void shippedTextsReadAsEnglish()
    {
        const QString shipped = qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctleng.ini"_s;
        QVERIFY2(QFile::exists(shipped), qPrintable(shipped));
        m_env.writeFile(u"program/ampctleng.ini"_s, TestEnvironment::readFile(shipped));
        QCOMPARE(BatteryPopup::durationText(1), u"1 s"_s);
    }

private:
    TestEnvironment m_env;
};

QTEST_GUILESS_MAIN(TestBatteryPopup)
#include "TestBatteryPopup.moc"
