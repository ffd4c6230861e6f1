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
using Kind = PlanTaskWriter::Kind;
using Outcome = PlanTaskWriter::Outcome;

namespace {

QList<bool> days(std::initializer_list<int> ticked)
{
    QList<bool> list(7, false);
    for (int day : ticked)
        list[day] = true;
    return list;
}

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
    void editedScheduleStartsFromItsTaskOrItsTexts();
    void pickableDatesStartToday();
    void refusalsAreToldInPlainWords();

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

void TestScheduleChoices::editedScheduleStartsFromItsTaskOrItsTexts()
{
    PlanTaskWriter writer(*m_tasks, u"/usr/bin/ampora"_s);
    PlanTaskWriter::Choice weekly { 1, Kind::Weekly, QDate(2030, 1, 7), QTime(7, 30, 5), days({ 1, 5 }), {} };
    QCOMPARE(writer.write(weekly, m_plans), Outcome::Registered);
    PlanTaskWriter::Choice once { 0, Kind::Once, QDate(2031, 2, 3), QTime(0, 15), {}, {} };
    QCOMPARE(writer.write(once, m_plans), Outcome::Registered);
    const QList<TimeSchedule> schedules = readScheduledTasks(*m_tasks, *m_platform);
    QCOMPARE(schedules.size(), 2);
    const TimeSchedule &onceSchedule = schedules.at(0); // Balanced sorts first
    const TimeSchedule &weeklySchedule = schedules.at(1);
    const QList<RegisteredTask> tasks = m_tasks->readTasks().valueOr({});

    // From the task: the start date of a weekly schedule too, and every second.
    ScheduleStart start = ScheduleStart::of(weeklySchedule, tasks);
    QCOMPARE(start.kind, Kind::Weekly);
    QCOMPARE(start.time, QTime(7, 30, 5));
    QCOMPARE(start.date, QDate(2030, 1, 7));
    QCOMPARE(start.days, days({ 1, 5 }));

    // The task gone: what the list showed.
    start = ScheduleStart::of(weeklySchedule, {});
    QCOMPARE(start.kind, Kind::Weekly);
    QCOMPARE(start.time, QTime(7, 30, 5));
    QVERIFY(!start.date.isValid());
    QCOMPARE(start.days, days({ 1, 5 }));
    start = ScheduleStart::of(onceSchedule, {});
    QCOMPARE(start.kind, Kind::Once);
    QCOMPARE(start.time, QTime(0, 15));
    QCOMPARE(start.date, QDate(2031, 2, 3));

    // A task whose definition cannot be read is no better than none.
    QList<RegisteredTask> unreadable = tasks;
    for (RegisteredTask &task : unreadable)
        task.definition.reset();
    QCOMPARE(ScheduleStart::of(onceSchedule, unreadable).date, QDate(2031, 2, 3));
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

void TestScheduleChoices::refusalsAreToldInPlainWords()
{
    const Failure none;
    // Weekly without a day, and no kind at all: the writer's own messages.
    QCOMPARE(ScheduleChoices::writeFailureText(Outcome::NoDays, none), loadText(u"IDS_WEEKLY_ERROR"));
    QCOMPARE(ScheduleChoices::writeFailureText(Outcome::NoKind, none), loadText(u"IDS_SCHEDULE_PLAN_ERROR"));
    // Every other refusal has a text of its own.
    QSet<QString> texts;
    for (const Outcome outcome : { Outcome::NoPlan, Outcome::NoProgramPath, Outcome::DateOutOfRange,
             Outcome::NoSuchTime, Outcome::RegistrationFailed }) {
        const QString text = ScheduleChoices::writeFailureText(outcome, none);
        QVERIFY2(!text.isEmpty(), qPrintable(QString::number(int(outcome))));
        texts.insert(text);
    }
    QCOMPARE(texts.size(), 5);

    // A refused edit keeps the task and says why.
    PlanTaskWriter writer(*m_tasks, u"/usr/bin/ampora"_s);
    PlanTaskWriter::Choice daily { 0, Kind::Daily, QDate(2030, 1, 7), QTime(7, 30), {}, {} };
    QCOMPARE(writer.write(daily, m_plans), Outcome::Registered);
    const QList<RegisteredTask> before = m_tasks->tasks();
    m_tasks->refuseRegistrations(true);
    daily.editedTaskName = writer.taskName();
    daily.time = QTime(8, 0);
    QCOMPARE(writer.write(daily, m_plans), Outcome::RegistrationFailed);
    const QString refused
        = ScheduleChoices::writeFailureText(Outcome::RegistrationFailed, writer.registrationFailure());
    QVERIFY(!writer.registrationFailure().message.isEmpty());
    QVERIFY(refused.endsWith(writer.registrationFailure().message));
    QVERIFY(!refused.contains(u"%s"));
    QCOMPARE(m_tasks->tasks(), before);

    // A second schedule for one network.
    const NetworkList::Network home { u"Home"_s, numberedNetwork(1), true };
    QVERIFY(saveNetworkSchedule(*m_platform, home, m_plans.at(0)));
    const Result<QList<NetworkSchedule>> twice = saveNetworkSchedule(*m_platform, home, m_plans.at(1));
    QVERIFY(!twice);
    QCOMPARE(ScheduleChoices::networkFailureText(twice.failure()), loadText(u"IDS_NETWORK_ERROR"));
    QCOMPARE(readNetworkSchedules(*m_platform).size(), 1);
}

QTEST_GUILESS_MAIN(TestScheduleChoices)
#include "TestScheduleChoices.moc"
