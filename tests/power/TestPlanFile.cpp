// SPDX-License-Identifier: GPL-3.0-or-later
// Plan files: what the writer writes reads back to the same plan, a hand-written file is read as
// documented, and every bad line of a file is named. Inputs and expected texts are in
// data/planfile.
#include "FakePowerPlatform.h"
#include "PlanEditing.h"
#include "PlanFile.h"
#include "PowerSettings.h"
#include "TestEnvironment.h"

#include <QTest>

using PowerSettings::defaultPlans;
using PowerSettings::powerSettingRows;

using namespace Qt::StringLiterals;

namespace {

QByteArray dataFile(const QString &name)
{
    return TestEnvironment::readFile(TestEnvironment::sourceFile(u"power/data/planfile/"_s + name));
}

} // namespace

class TestPlanFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writtenPlanReadsBackTheSame()
    {
        const QByteArray travel = dataFile(u"travel.ini"_s);
        const PlanFile read = PlanFile::parse(travel);
        QVERIFY2(read.problems().isEmpty(), qPrintable(read.problemLines(u"travel.ini"_s).join(u'\n')));
        QCOMPARE(read.toBytes(), travel);

        FakePowerPlatform platform;
        platform.setActiveDirectly(platform.addScheme(u"Balanced"_s));
        const Result<QUuid> added = read.addTo(platform, std::nullopt, true);
        QVERIFY(added);
        QCOMPARE(*added, read.guid());
        const Result<PlanFile> exported = PlanFile::fromPlatform(platform, *added);
        QVERIFY(exported);
        QCOMPARE(exported->toBytes(), travel);

        // The GUID and the name are the store's to refuse; nothing is added then.
        QVERIFY(read.addTo(platform, u"Other"_s, true).failedWith(Failure::Kind::AlreadyExists));
        QVERIFY(read.addTo(platform, std::nullopt, false).failedWith(Failure::Kind::AlreadyExists));
        const Result<QUuid> renamed = read.addTo(platform, u"  Renamed  "_s, false);
        QVERIFY(renamed && *renamed != read.guid());
        QCOMPARE(platform.friendlyName(*renamed).valueOr({}), u"Renamed"_s);
        QCOMPARE(platform.schemes().valueOr({}).size(), 3);
    }

    void handWrittenFileTakesBalancedValuesForWhatItLeavesOut()
    {
        const PlanFile read = PlanFile::parse(dataFile(u"handmade.ini"_s));
        QVERIFY2(read.problems().isEmpty(), qPrintable(read.problemLines(u"handmade.ini"_s).join(u'\n')));
        QCOMPARE(read.name(), u"Hand made"_s);
        QVERIFY(read.guid().isNull());
        qsizetype i = 0;
        for (const PowerSettingRow &row : powerSettingRows()) {
            const SeedValues seed = row.*(defaultPlans().front().values);
            QCOMPARE(read.values().at(i++).value, seed.ac);
            QCOMPARE(read.values().at(i++).value, row.setting == GUID_VIDEO_POWERDOWN_TIMEOUT ? 3600u : seed.dc);
        }
        FakePowerPlatform platform;
        platform.setActiveDirectly(platform.addScheme(u"Balanced"_s));
        QVERIFY(read.addTo(platform, std::nullopt, true).failedWith(Failure::Kind::Invalid)); // no GUID to keep
    }

    void everyBadLineIsNamedAndNothingIsAdded()
    {
        const PlanFile bad = PlanFile::parse(dataFile(u"bad.ini"_s));
        QCOMPARE(bad.problemLines(u"bad.ini"_s).join(u'\n') + u'\n', QString::fromUtf8(dataFile(u"bad.expected"_s)));
        FakePowerPlatform platform;
        platform.setActiveDirectly(platform.addScheme(u"Balanced"_s));
        QVERIFY(bad.addTo(platform, u"Fine name"_s, false).failedWith(Failure::Kind::Invalid));
        QCOMPARE(platform.schemes().valueOr({}).size(), 1);

        // A newer format is refused as a whole, whatever else it holds; so is a file that is no text.
        QCOMPARE(PlanFile::parse("[Plan]\nFormat=2\nName=X\n[Wifi]\nx=1\n").problemLines(u"f"_s),
            QStringList { u"f: written in plan file format 2; this Ampora reads format 1"_s });
        QCOMPARE(PlanFile::parse("[Plan]\nFormat=1\nName=\xff\xfe\n").problemLines(u"f"_s),
            (QStringList { u"f:3: not UTF-8 text"_s, u"f: no Name= line in [Plan]"_s }));
    }

    void restoringDefaultPlansKeepsTheirNamesAndBringsBackDeletedOnes()
    {
        const DefaultPlan &balanced = defaultPlans()[0];
        const DefaultPlan &performance = defaultPlans()[1];
        const DefaultPlan &saver = defaultPlans()[2];
        FakePowerPlatform platform;
        platform.setActiveDirectly(platform.addScheme(u"Everyday"_s, u"Mine"_s, balanced.guid));
        const QUuid other = platform.addScheme(u"High performance"_s); // not the default one
        QVERIFY(platform.writeValueIndex(
            PowerSource::Ac, balanced.guid, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 42));
        const int activations = platform.setActiveCalls();

        QVERIFY(PlanEditing::restoreDefaultPlans(platform));
        QCOMPARE(platform.schemes().valueOr({}), (QList<QUuid> { balanced.guid, other, performance.guid, saver.guid }));
        QCOMPARE(platform.friendlyName(balanced.guid).valueOr({}), u"Everyday"_s);
        QCOMPARE(platform.description(balanced.guid).valueOr({}), u"Mine"_s);
        QCOMPARE(platform.friendlyName(performance.guid).valueOr({}), u"High performance (default)"_s);
        QCOMPARE(platform.friendlyName(saver.guid).valueOr({}), saver.name.toString());
        for (const DefaultPlan *plan : { &balanced, &performance, &saver }) {
            const Result<PlanFile> values = PlanFile::fromPlatform(platform, plan->guid);
            qsizetype i = 0;
            for (const PowerSettingRow &row : powerSettingRows()) {
                QCOMPARE(values->values().at(i++).value, (row.*(plan->values)).ac);
                QCOMPARE(values->values().at(i++).value, (row.*(plan->values)).dc);
            }
        }
        QCOMPARE(platform.setActiveCalls(), activations + 1); // the active plan's values take effect
    }
};

QTEST_GUILESS_MAIN(TestPlanFile)
#include "TestPlanFile.moc"
