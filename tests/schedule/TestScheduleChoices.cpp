#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "Profile.h"
#include "ScheduleChoices.h"
#include "ScheduleTestSupport.h"
#include "TaskReader.h"
#include "TestEnvironment.h"

#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A weekly schedule of plan 0 on Monday and Friday at 07:30, as a new dialog opens it.
ScheduleChoices openedWeekly()
{
    ScheduleChoices choices;
    choices.plan = 0;
    choices.weekly = true;
    choices.anyDayTicked = true;
    choices.time = QTime(7, 30);
    choices.date = QDate(2030, 1, 7);
    return choices;
}

} // namespace

class TestScheduleChoices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void changesThatCountAndThoseThatDoNot();
    void startTextsOnTheTwentyFourHourClock_data();
    void startTextsOnTheTwentyFourHourClock();
    void startTextsOfEveryWrittenTimeReadBack();
    void pickableDatesStartToday();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    PowerPlanList m_plans;
};

void TestScheduleChoices::init()
{
    m_env = std::make_unique<TestEnvironment>();
    // The program's own texts, so every message key used here is known to exist.
    m_env->writeFile(u"program/ampctleng.ini"_s,
        TestEnvironment::readFile(TestEnvironment::sourceFile(u"../resources/ampctleng.ini"_s)));
    QVERIFY2(!loadText(u"IDS_NETWORK_ERROR").isEmpty(), "the language file was not found");
    m_platform = std::make_unique<FakePowerPlatform>();
    m_platform->addScheme(u"Balanced"_s);
    m_platform->addScheme(u"Power saver"_s);
    m_plans = loadPowerPlans(*m_platform);
    m_tasks = std::make_unique<FakeTaskService>();
}

void TestScheduleChoices::cleanup()
{
    m_tasks.reset();
    m_platform.reset();
    m_env.reset();
}

void TestScheduleChoices::changesThatCountAndThoseThatDoNot()
{
    const ScheduleChoices opened = openedWeekly();
    QVERIFY(!ScheduleChoices::changed(opened, opened));

    ScheduleChoices later = opened;
    later.time = QTime(7, 31);
    QVERIFY(ScheduleChoices::changed(later, opened));
    later = opened;
    later.weekly = false;
    later.daily = true;
    QVERIFY(ScheduleChoices::changed(later, opened));

    // A new schedule made weekly: the switch alone writes nothing, the first ticked day does, and
    // unticking it again takes the change back.
    ScheduleChoices snapshot;
    snapshot.plan = 0;
    snapshot.time = QTime(9, 0);
    snapshot.date = QDate(2030, 1, 7);
    ScheduleChoices now = snapshot;
    now.weekly = true;
    QVERIFY(!ScheduleChoices::changed(now, snapshot));
    now.anyDayTicked = true;
    QVERIFY(ScheduleChoices::changed(now, snapshot));
    now.anyDayTicked = false;
    QVERIFY(!ScheduleChoices::changed(now, snapshot));

    // Another plan counts once there is a kind to schedule it with.
    now = snapshot;
    now.plan = 1;
    QVERIFY(!ScheduleChoices::changed(now, snapshot));
    now.daily = true;
    QVERIFY(ScheduleChoices::changed(now, snapshot));

    // A new network schedule counts from the start when a network is preselected, not without one.
    ScheduleChoices network;
    network.networkBased = true;
    network.plan = 0;
    ScheduleChoices networkNow = network;
    networkNow.network = 0;
    QVERIFY(ScheduleChoices::changed(networkNow, network));
    QVERIFY(!ScheduleChoices::changed(network, network));
}

void TestScheduleChoices::startTextsOnTheTwentyFourHourClock_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("time");

    QTest::newRow("midnight") << u"12:00:00 AM"_s << QTime(0, 0);
    QTest::newRow("noon") << u"12:00:00 PM"_s << QTime(12, 0);
    QTest::newRow("after midnight") << u"12:30:15 AM"_s << QTime(0, 30, 15);
    QTest::newRow("morning") << u"07:30:00 AM on Mon and Fri"_s << QTime(7, 30);
    QTest::newRow("evening, once") << u"08:05:00 PM on 2025/05/02"_s << QTime(20, 5);
    QTest::newRow("last second") << u"11:59:59 PM"_s << QTime(23, 59, 59);
    QTest::newRow("another trigger") << u"None of three"_s << QTime();
    QTest::newRow("hour 13") << u"13:00:00 PM"_s << QTime();
    QTest::newRow("hour 0") << u"00:10:00 AM"_s << QTime();
    QTest::newRow("one-digit hour") << u"8:05:00 PM"_s << QTime();
    QTest::newRow("unknown marker") << u"08:05:00 XM"_s << QTime();
    QTest::newRow("minute 60") << u"08:60:00 AM"_s << QTime();
    QTest::newRow("marker run on") << u"08:05:00 AMon"_s << QTime();
    QTest::newRow("empty") << QString() << QTime();
}

void TestScheduleChoices::startTextsOnTheTwentyFourHourClock()
{
    QFETCH(QString, text);
    QFETCH(QTime, time);
    QCOMPARE(ScheduleStart::timeFromStartText(text).value_or(QTime()), time);
}

void TestScheduleChoices::startTextsOfEveryWrittenTimeReadBack()
{
    // Whatever the writer writes and the reader shows, the dialog reads back to the same start.
    using Type = TaskDefinition::TriggerType;
    const QDate date(2031, 12, 31);
    for (int hour = 0; hour < 24; ++hour) {
        const QTime time(hour, (hour * 7) % 60, (hour * 13) % 60);
        const QString boundary = PlanTaskWriter::startBoundary(date, time);
        const QString once = startText(Type::Once, boundary, {});
        QCOMPARE(ScheduleStart::timeFromStartText(once).value_or(QTime()), time);
        QCOMPARE(ScheduleStart::dateFromStartText(once).value_or(QDate()), date);
        QCOMPARE(ScheduleStart::timeFromStartText(startText(Type::Daily, boundary, {})).value_or(QTime()), time);
    }
    QVERIFY(!ScheduleStart::dateFromStartText(u"08:05:00 PM on 2025/13/02"_s));
    QVERIFY(!ScheduleStart::dateFromStartText(u"08:05:00 PM"_s));
}

void TestScheduleChoices::pickableDatesStartToday()
{
    const QDate today(2030, 6, 15);
    QCOMPARE(ScheduleChoices::firstPickableDate(today, {}), today);
    QCOMPARE(ScheduleChoices::firstPickableDate(today, today), today);
    QCOMPARE(ScheduleChoices::firstPickableDate(today, today.addDays(3)), today);
    // An edited schedule that started in the past still shows its own date.
    QCOMPARE(ScheduleChoices::firstPickableDate(today, today.addDays(-1)), today.addDays(-1));
}

QTEST_GUILESS_MAIN(TestScheduleChoices)
#include "TestScheduleChoices.moc"
