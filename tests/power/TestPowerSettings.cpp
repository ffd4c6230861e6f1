#include "PowerSettings.h"

#include <QSet>
#include <QTest>

using PowerSettings::defaultPlans;
using PowerSettings::isSettingOffered;
using PowerSettings::powerSettingRows;

using namespace Qt::StringLiterals;

class TestPowerSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultValuesFitTheirKind();
    void rowsNameDistinctSettings();
    void offersRowsByCapability();
};

void TestPowerSettings::defaultValuesFitTheirKind()
{
    for (const DefaultPlan &plan : defaultPlans()) {
        for (const PowerSettingRow &row : powerSettingRows()) {
            const SeedValues values = row.*plan.values;
            for (const quint32 value : { values.ac, values.dc }) {
                const QByteArray where = plan.name.toUtf8() + ' ' + row.labelKey.toUtf8();
                // Timeouts are whole minutes: the editor would change anything else on the first save.
                const quint32 most = row.kind == SettingKind::Action ? 3
                    : row.kind == SettingKind::Lock                  ? 1
                    : row.kind == SettingKind::Profile               ? 2
                    : row.kind == SettingKind::Brightness            ? 100
                                                                     : UINT32_MAX;
                QVERIFY2(value <= most && (row.kind != SettingKind::Timeout || value % 60 == 0), where.constData());
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

void TestPowerSettings::offersRowsByCapability()
{
    const QStringList always { u"IDS_DISPLAY_OFF"_s, u"IDS_HARDDISK_OFF"_s, u"IDS_MAKE_SLEEP"_s,
        u"IDS_MAKE_HIBERNATE"_s, u"IDS_LOCK_ON_WAKEUP"_s };
    const QStringList lidAndDimming { u"IDS_LID_CLOSE"_s, u"IDS_DISPLAY_DIM"_s };
    const std::pair<PlanCapabilities, QStringList> cases[] = {
        { { true, false, false, false, false }, // a desktop: the power button only
            QStringList { u"IDS_POWER_BTN_PRESS"_s } + always },
        { { true, true, true, true, true },
            QStringList { u"IDS_POWER_BTN_PRESS"_s, u"IDS_SLEEP_BTN_PRESS"_s } + lidAndDimming + always
                + QStringList { u"IDS_BRIGHTNESS"_s } },
        { { false, false, true, false, true }, lidAndDimming + always + QStringList { u"IDS_BRIGHTNESS"_s } },
    };
    for (const auto &[capabilities, offered] : cases) {
        QStringList rows;
        for (const PowerSettingRow &row : powerSettingRows()) {
            if (isSettingOffered(row, capabilities))
                rows.append(row.labelKey.toString());
        }
        QCOMPARE(rows, offered + QStringList { u"IDS_PERFORMANCE_PROFILE"_s });
    }
}

QTEST_GUILESS_MAIN(TestPowerSettings)
#include "TestPowerSettings.moc"
