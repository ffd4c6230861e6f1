#include "FakePowerPlatform.h"
#include "PlanCatalogue.h"
#include "PlanEditing.h"

#include <QRandomGenerator>
#include <QTest>

using PlanCatalogue::exchangeSort;
using PlanCatalogue::loadPowerPlans;
using PlanEditing::checkPlanName;

using namespace Qt::StringLiterals;

class TestPlanCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sortsByNameOrdinallyAndLeavesOutUnreadableSchemes();
    void exchangeSortLeavesEqualNamesWhereTheNamePassWould();
    void planNamesAreUniqueWithoutRegardToCase();
};

namespace {

QStringList namesOf(const PowerPlanList &list)
{
    QStringList names;
    for (const PowerPlan &plan : list)
        names.append(plan.planName);
    return names;
}

} // namespace

void TestPlanCatalogue::sortsByNameOrdinallyAndLeavesOutUnreadableSchemes()
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
        (QStringList { u"Plan"_s, u"Plan 1"_s, u"Plan 10"_s, u"Power saver"_s, u"Same"_s, u"Same"_s, u"balanced"_s }));
    QSet<QUuid> listed;
    for (const PowerPlan &plan : list) {
        QCOMPARE(plan.planDescription, plan.planName + u" description"_s);
        const auto &stored = platform.storedSchemes();
        QVERIFY(std::any_of(stored.begin(), stored.end(),
            [&](const auto &s) { return s.guid == plan.planGuid && s.name == plan.planName; }));
        listed.insert(plan.planGuid);
    }
    QCOMPARE(listed.size(), list.size());

    // A store that cannot be read is a failure, never a list without plans.
    platform.setUnreadable(true);
    QVERIFY(loadPowerPlans(platform).failedWith(Failure::Kind::Failed));
}

void TestPlanCatalogue::exchangeSortLeavesEqualNamesWhereTheNamePassWould()
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

void TestPlanCatalogue::planNamesAreUniqueWithoutRegardToCase()
{
    const QUuid road = QUuid::createUuid();
    const PowerPlanList plans { { u"Balanced"_s, {}, QUuid::createUuid() }, { u"Road trip"_s, {}, road } };
    QCOMPARE(checkPlanName(plans, QString()), PlanNameCheck::Empty);
    QCOMPARE(checkPlanName(plans, u" \t "_s), PlanNameCheck::Empty);
    QCOMPARE(checkPlanName(plans, u"ROAD TRIP"_s), PlanNameCheck::Taken);
    // Checked as the store keeps it: without the blanks around it.
    QCOMPARE(checkPlanName(plans, u"balanced "_s), PlanNameCheck::Taken);
    QCOMPARE(checkPlanName(plans, u"Eco\tmode"_s), PlanNameCheck::ControlCharacter);
    QCOMPARE(checkPlanName(plans, u"Eco\x1b[31m"_s), PlanNameCheck::ControlCharacter);
    QCOMPARE(checkPlanName(plans, u"Eco\u2028mode"_s), PlanNameCheck::ControlCharacter);
    QCOMPARE(checkPlanName(plans, u"Eco\0mode"_s), PlanNameCheck::LineBreak);
    QCOMPARE(checkPlanName(plans, QString(kMaxPlanNameLength, u'n')), PlanNameCheck::Usable);
    QCOMPARE(checkPlanName(plans, QString(kMaxPlanNameLength + 1, u'n')), PlanNameCheck::TooLong);
    // A plan keeps its own name, in any case, when it is renamed.
    QCOMPARE(checkPlanName(plans, u"road Trip"_s, road), PlanNameCheck::Usable);
    QCOMPARE(checkPlanName(plans, u"balanced"_s, road), PlanNameCheck::Taken);
}

QTEST_GUILESS_MAIN(TestPlanCatalogue)
#include "TestPlanCatalogue.moc"
