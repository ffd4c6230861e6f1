#include "PlanSettings.h"
#include "SchemeStore.h"
#include "SysfsCapabilityReader.h"
#include "TestEnvironment.h"

#include <QTest>

using PlanSettings::readPlanSettings;
using PlanSettings::shownValue;
using PowerSettings::defaultPlans;
using PowerSettings::powerSettingRows;

using namespace Qt::StringLiterals;

namespace {

QString fixture(const char *name)
{
    return TestEnvironment::sourceFile(QStringLiteral("platform/data/sysfs/") + QLatin1StringView(name));
}

// The walk as "label AC" / "label DC" entries, which says both which rows exist and which values.
QStringList walkOf(const QList<PlanSettingValue> &values)
{
    QStringList walk;
    for (const PlanSettingValue &value : values)
        walk.append(value.row->labelKey.toString() + (value.source == PowerSource::Ac ? u" AC"_s : u" DC"_s));
    return walk;
}

} // namespace

class TestCapabilities : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void machinesOfferTheirRows_data();
    void machinesOfferTheirRows();
    void unreadableInputDevicesAreAFailure_data();
    void unreadableInputDevicesAreAFailure();
    void bitmapsAsTheKernelPrintsThem_data();
    void bitmapsAsTheKernelPrintsThem();
};

void TestCapabilities::machinesOfferTheirRows_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("walk");

    QStringList laptop;
    for (const PowerSettingRow &row : powerSettingRows())
        laptop << row.labelKey.toString() + u" AC"_s << row.labelKey.toString() + u" DC"_s;
    QTest::newRow("laptop: buttons, lid, battery, backlight") << fixture("caps-laptop") << laptop;
    // A keyboard without power keys, a headphone switch and a mouse battery count for nothing.
    QTest::newRow("desktop: power button only")
        << fixture("caps-desktop")
        << QStringList { u"IDS_POWER_BTN_PRESS AC"_s, u"IDS_DISPLAY_OFF AC"_s, u"IDS_HARDDISK_OFF AC"_s,
               u"IDS_MAKE_SLEEP AC"_s, u"IDS_MAKE_HIBERNATE AC"_s, u"IDS_LOCK_ON_WAKEUP AC"_s,
               u"IDS_PERFORMANCE_PROFILE AC"_s };
}

void TestCapabilities::machinesOfferTheirRows()
{
    QFETCH(QString, root);
    QFETCH(QStringList, walk);
    const TestEnvironment env;
    SchemeStore store(env.path(u"schemes.ini"_s));
    const QUuid balanced = defaultPlans()[0].guid;

    const Result<PlanCapabilities> capabilities = SysfsCapabilityReader(root).read();
    QVERIFY2(capabilities.ok(), qPrintable(capabilities.failure().message));
    const QList<PlanSettingValue> values = readPlanSettings(store, balanced, *capabilities);
    QCOMPARE(walkOf(values), walk);
    // Each value comes from the plan's own row and power source.
    for (const PlanSettingValue &value : values) {
        const SeedValues seed = value.row->balanced;
        QCOMPARE(value.shown, shownValue(value.row->kind, value.source == PowerSource::Ac ? seed.ac : seed.dc));
    }
}

void TestCapabilities::unreadableInputDevicesAreAFailure_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("message");
    // A battery and a backlight do not make up for buttons that cannot be known.
    QTest::newRow("class/input is a file")
        << fixture("caps-input-unreadable") << u"Failed to read the power capabilities.\nError code: 20"_s;
    QTest::newRow("no class/input") << fixture("does-not-exist")
                                    << u"Failed to read the power capabilities.\nError code: 2"_s;
}

void TestCapabilities::unreadableInputDevicesAreAFailure()
{
    QFETCH(QString, root);
    QFETCH(QString, message);
    const Result<PlanCapabilities> capabilities = SysfsCapabilityReader(root).read();
    QVERIFY(!capabilities.ok());
    QCOMPARE(capabilities.failure().kind, Failure::Kind::Failed);
    QCOMPARE(capabilities.failure().message, message);
}

void TestCapabilities::bitmapsAsTheKernelPrintsThem_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("bit");
    QTest::addColumn<int>("wordBits");
    QTest::addColumn<bool>("set");
    QTest::newRow("KEY_POWER, 64-bit words") << "10000000000000 0\n"_ba << 116 << 64 << true;
    QTest::newRow("bit 52 of the first word is not KEY_POWER") << "10000000000000\n"_ba << 116 << 64 << false;
    QTest::newRow("KEY_POWER, 32-bit words") << "100000 0 0 0\n"_ba << 116 << 32 << true;
    QTest::newRow("KEY_SLEEP") << "4000 0 0\n"_ba << 142 << 64 << true;
    QTest::newRow("beyond the last word") << "4000 0 0\n"_ba << 200 << 64 << false;
    QTest::newRow("SW_LID") << "1\n"_ba << 0 << 64 << true;
    QTest::newRow("headphone switches only") << "14\n"_ba << 0 << 64 << false;
    QTest::newRow("empty file") << ""_ba << 0 << 64 << false;
    QTest::newRow("not hexadecimal") << "1 xyz\n"_ba << 0 << 64 << false;
    QTest::newRow("a sign is not a digit") << "-1\n"_ba << 0 << 64 << false;
    QTest::newRow("a word wider than a long") << "10000000000000000 1\n"_ba << 0 << 64 << false;
}

void TestCapabilities::bitmapsAsTheKernelPrintsThem()
{
    QFETCH(QByteArray, text);
    QFETCH(int, bit);
    QFETCH(int, wordBits);
    QFETCH(bool, set);
    QCOMPARE(SysfsCapabilityReader::bitmapHasBit(text, bit, wordBits), set);
}

QTEST_GUILESS_MAIN(TestCapabilities)
#include "TestCapabilities.moc"
