#include "PowerSettings.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPowerSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultValuesFitTheirKind();
    void rowsNameDistinctSettings();
    void offersRowsByCapability_data();
    void offersRowsByCapability();
};

void TestPowerSettings::defaultValuesFitTheirKind()
{
    for (const DefaultPlan &plan : defaultPlans()) {
        for (const PowerSettingRow &row : powerSettingRows()) {
            const SeedValues values = row.*plan.values;
            for (const quint32 value : { values.ac, values.dc }) {
                const QByteArray where = plan.name.toUtf8() + ' ' + row.labelKey.toUtf8();
                switch (row.kind) {
                case SettingKind::Action:
                    QVERIFY2(value <= 3, where.constData());
                    break;
                case SettingKind::Lock:
                    QVERIFY2(value <= 1, where.constData());
                    break;
                case SettingKind::Profile:
                    QVERIFY2(value <= 2, where.constData());
                    break;
                case SettingKind::Brightness:
                    QVERIFY2(value <= 100, where.constData());
                    break;
                case SettingKind::Timeout:
                    // The editor shows whole minutes; anything else would change on the first save.
                    QVERIFY2(value % 60 == 0, where.constData());
                    break;
                }
            }
        }
    }
}

void TestPowerSettings::rowsNameDistinctSettings()
{
    QSet<QUuid> settings;
    QSet<QUuid> plans;
    for (const PowerSettingRow &row : powerSettingRows()) {
        QVERIFY(!row.subgroup.isNull());
        settings.insert(row.setting);
    }
    for (const DefaultPlan &plan : defaultPlans())
        plans.insert(plan.guid);
    QCOMPARE(settings.size(), powerSettingRows().size());
    QCOMPARE(plans.size(), defaultPlans().size());
    QVERIFY(!settings.contains(QUuid()));
}

void TestPowerSettings::offersRowsByCapability_data()
{
    QTest::addColumn<PlanCapabilities>("capabilities");
    QTest::addColumn<QStringList>("offered");
    const QStringList always { u"IDS_DISPLAY_OFF"_s, u"IDS_HARDDISK_OFF"_s, u"IDS_MAKE_SLEEP"_s,
        u"IDS_MAKE_HIBERNATE"_s, u"IDS_LOCK_ON_WAKEUP"_s };
    const QStringList profile { u"IDS_PERFORMANCE_PROFILE"_s };
    QTest::newRow("nothing") << PlanCapabilities {} << always + profile;
    QTest::newRow("desktop, power button only") << PlanCapabilities { true, false, false, false, false }
                                                << QStringList { u"IDS_POWER_BTN_PRESS"_s } + always + profile;
    QTest::newRow("laptop") << PlanCapabilities { true, true, true, true, true }
                            << QStringList { u"IDS_POWER_BTN_PRESS"_s, u"IDS_SLEEP_BTN_PRESS"_s, u"IDS_LID_CLOSE"_s,
                                   u"IDS_DISPLAY_DIM"_s }
            + always + QStringList { u"IDS_BRIGHTNESS"_s } + profile;
    QTest::newRow("lid and dimming") << PlanCapabilities { false, false, true, false, true }
                                     << QStringList { u"IDS_LID_CLOSE"_s, u"IDS_DISPLAY_DIM"_s } + always
            + QStringList { u"IDS_BRIGHTNESS"_s } + profile;
}

void TestPowerSettings::offersRowsByCapability()
{
    QFETCH(PlanCapabilities, capabilities);
    QFETCH(QStringList, offered);
    QStringList rows;
    for (const PowerSettingRow &row : powerSettingRows()) {
        if (isSettingOffered(row, capabilities))
            rows.append(row.labelKey.toString());
    }
    QCOMPARE(rows, offered);
}

QTEST_GUILESS_MAIN(TestPowerSettings)
#include "TestPowerSettings.moc"
