// SPDX-License-Identifier: GPL-3.0-or-later
// The plans as the catalogue lists them and the editor shows and writes their values.
#include "FakePowerPlatform.h"
#include "PlanCatalogue.h"
#include "PlanEditing.h"
#include "PlanSettings.h"
#include "SchemeStore.h"
#include "TestEnvironment.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

using PlanCatalogue::exchangeSort;
using PlanCatalogue::loadPowerPlans;
using PlanEditing::checkPlanName;
using PlanSettings::readPlanSettings;
using PlanSettings::shownValue;
using PlanSettings::storedValue;
using PlanSettings::writePlanSettings;
using PowerSettings::defaultPlans;
using PowerSettings::isSettingOffered;
using PowerSettings::powerSettingRows;

using namespace Qt::StringLiterals;

namespace {

const QUuid kBalanced = defaultPlans()[0].guid;
const QUuid kPowerSaver = defaultPlans()[2].guid;

const PlanCapabilities kLaptop { true, true, true, true, true };
const PlanCapabilities kDesktop { true, false, false, false, false };

ShownValue number(int value)
{
    return ShownValue { std::nullopt, value };
}

const PowerSettingRow &rowOf(const QUuid &setting)
{
    const auto rows = powerSettingRows();
    return *std::find_if(rows.begin(), rows.end(), [&](const PowerSettingRow &row) { return row.setting == setting; });
}

quint32 stored(const PowerPlatform &platform, const QUuid &scheme, const QUuid &setting, PowerSource source)
{
    const PowerSettingRow &row = rowOf(setting);
    return platform.valueIndex(source, scheme, row.subgroup, row.setting).valueOr(0xDEADBEEF);
}

QStringList namesOf(const PowerPlanList &list)
{
    QStringList names;
    for (const PowerPlan &plan : list)
        names.append(plan.planName);
    return names;
}

} // namespace

class TestPlanSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valuesShowAndWriteBack()
    {
        const auto timeout = SettingKind::Timeout;
        const auto brightness = SettingKind::Brightness;
        const struct
        {
            SettingKind kind;
            quint32 stored;
            ShownValue shown;
            quint32 writtenBack;
        } cases[] = {
            { timeout, 90u, number(1), 60u }, // whole minutes, saved as 60
            { timeout, 0x80000000u, number(0), 0u }, // negative as signed: never
            { timeout, 1'800'000'000u, number(kMaxTimeoutMinutes), 1'800'000'000u }, // the spin box's top
            { timeout, 0x7FFFFFFFu, number(kMaxTimeoutMinutes), 1'800'000'000u }, // beyond it: held at the top
            { SettingKind::Action, 3u, ShownValue { 3, 0 }, 3u },
            { SettingKind::Action, 4u, ShownValue {}, kUnreadableValue }, // no selection
            { SettingKind::Lock, 2u, ShownValue {}, kUnreadableValue },
            { brightness, 70u, number(70), 70u },
            { brightness, 101u, number(100), 100u },
        };
        for (const auto &c : cases) {
            const ShownValue actual = shownValue(c.kind, c.stored);
            QCOMPARE(actual, c.shown);
            QCOMPARE(storedValue(c.kind, actual), c.writtenBack);
        }
        // The plans Ampora seeds come through the editor unchanged: whole minutes, values in range.
        for (const DefaultPlan &plan : defaultPlans()) {
            for (const PowerSettingRow &row : powerSettingRows()) {
                for (const quint32 seed : { (row.*plan.values).ac, (row.*plan.values).dc })
                    QVERIFY2(
                        storedValue(row.kind, shownValue(row.kind, seed)) == seed, qPrintable(row.labelKey.toString()));
            }
        }
        // A plan without values shows empty controls and writes back what they hold.
        FakePowerPlatform platform;
        const QUuid empty = platform.addScheme(u"No values"_s);
        QVERIFY(writePlanSettings(platform, empty, readPlanSettings(platform, empty, kLaptop)).ok());
        QCOMPARE(stored(platform, empty, GUID_POWERBUTTON_ACTION, PowerSource::Dc), kUnreadableValue);
        QCOMPARE(stored(platform, empty, GUID_LOCK_CONSOLE_ON_WAKE, PowerSource::Ac), kUnreadableValue);
        QCOMPARE(stored(platform, empty, GUID_STANDBY_TIMEOUT, PowerSource::Ac), 0u);
        QCOMPARE(stored(platform, empty, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, PowerSource::Dc), 0u);
    }

    // The editor's values of one plan written into another on the store (what a laptop's editor
    // shows and writes is TestPlanEditorDialog's): a desktop neither reads nor writes battery or
    // dimming values.
    void desktopValuesRoundTripOnTheStore()
    {
        const TestEnvironment env;
        SchemeStore store(env.path(u"schemes.ini"_s));
        const Result<QUuid> desktopCopy = store.duplicateScheme(kPowerSaver);
        QVERIFY(desktopCopy.ok());
        QVERIFY(writePlanSettings(store, *desktopCopy, readPlanSettings(store, kBalanced, kDesktop)).ok());
        for (const PowerSettingRow &row : powerSettingRows()) {
            const QByteArray where = row.labelKey.toUtf8();
            const bool offered = isSettingOffered(row, kDesktop);
            QVERIFY2(stored(store, *desktopCopy, row.setting, PowerSource::Ac)
                    == (offered ? row.balanced.ac : row.powerSaver.ac),
                where.constData());
            QVERIFY2(stored(store, *desktopCopy, row.setting, PowerSource::Dc) == row.powerSaver.dc, where.constData());
        }
    }

    void sortsByNameOrdinallyAndLeavesOutUnreadableSchemes()
    {
        FakePowerPlatform platform;
        QVERIFY(loadPowerPlans(platform).value().isEmpty());
        // Upper case before lower case, a prefix before what extends it; equal names stay together.
        for (const QString &name :
            { u"balanced"_s, u"Power saver"_s, u"Same"_s, u"Plan 10"_s, u"Plan"_s, u"Same"_s, u"Plan 1"_s })
            platform.addScheme(name, name + u" description"_s);
        platform.failNameOf(platform.addScheme(u"No name"_s));
        platform.failDescriptionOf(platform.addScheme(u"No description"_s));

        const PowerPlanList list = loadPowerPlans(platform).value();
        QCOMPARE(namesOf(list),
            (QStringList {
                u"Plan"_s, u"Plan 1"_s, u"Plan 10"_s, u"Power saver"_s, u"Same"_s, u"Same"_s, u"balanced"_s }));
        for (const PowerPlan &plan : list)
            QCOMPARE(plan.planDescription, plan.planName + u" description"_s);

        // A store that cannot be read is a failure, never a list without plans.
        platform.setUnreadable(true);
        QVERIFY(loadPowerPlans(platform).failedWith(Failure::Kind::Failed));
    }

    void exchangeSortLeavesEqualNamesWhereTheNamePassWould()
    {
        // The pass moves equal names around in its own way; the fast version must match it exactly.
        using Item = std::pair<QString, int>; // name, identity
        QRandomGenerator random(7);
        for (int round = 0; round < 200; ++round) {
            QList<Item> items;
            const int size = random.bounded(30);
            for (int k = 0; k < size; ++k)
                items.append({ QString(QChar(u'a' + random.bounded(4))), k });
            QList<Item> expected = items;
            for (qsizetype i = 0; i < expected.size(); ++i) {
                for (qsizetype j = 0; j < expected.size(); ++j) {
                    if (QString::compare(expected.at(i).first, expected.at(j).first, Qt::CaseSensitive) < 0)
                        expected.swapItemsAt(i, j);
                }
            }
            exchangeSort(items, [](const Item &item) -> const QString & { return item.first; });
            QCOMPARE(items, expected);
        }
    }

    void planNamesAreUniqueWithoutRegardToCase()
    {
        const QUuid road = QUuid::createUuid();
        const PowerPlanList plans { { u"Balanced"_s, {}, QUuid::createUuid() }, { u"Road trip"_s, {}, road } };
        QCOMPARE(checkPlanName(plans, QString()), PlanNameCheck::Empty);
        QCOMPARE(checkPlanName(plans, u" \t "_s), PlanNameCheck::Empty);
        QCOMPARE(checkPlanName(plans, u"ROAD TRIP"_s), PlanNameCheck::Taken);
        // Checked as the store keeps it: without the blanks around it.
        QCOMPARE(checkPlanName(plans, u"balanced "_s), PlanNameCheck::Taken);
        QCOMPARE(checkPlanName(plans, u"Eco\x1b[31m"_s), PlanNameCheck::ControlCharacter);
        QCOMPARE(checkPlanName(plans, u"Eco\u2028mode"_s), PlanNameCheck::ControlCharacter);
        QCOMPARE(checkPlanName(plans, u"Eco\0mode"_s), PlanNameCheck::LineBreak);
        QCOMPARE(checkPlanName(plans, QString(kMaxPlanNameLength, u'n')), PlanNameCheck::Usable);
        QCOMPARE(checkPlanName(plans, QString(kMaxPlanNameLength + 1, u'n')), PlanNameCheck::TooLong);
        // A plan keeps its own name, in any case, when it is renamed.
        QCOMPARE(checkPlanName(plans, u"road Trip"_s, road), PlanNameCheck::Usable);
        QCOMPARE(checkPlanName(plans, u"balanced"_s, road), PlanNameCheck::Taken);
    }
};

QTEST_GUILESS_MAIN(TestPlanSettings)
#include "TestPlanSettings.moc"
