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

using PlanCatalogue::loadPowerPlans;
using Profile::loadText;

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
    void startTextsReadBackOnTheTwentyFourHourClock();
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
    m_plans = loadPowerPlans(*m_platform).value();
    m_tasks = std::make_unique<FakeTaskService>();
}

void TestScheduleChoices::cleanup()
{
    m_tasks.reset();
    m_platform.reset();
    m_env.reset();
}

// The schedule button's part in TestScheduleDialog: ticking days, a preselected network. Here:
// a new time counts, another plan only once there is a kind to schedule it with.
void TestScheduleChoices::changesThatCountAndThoseThatDoNot()
{
    const ScheduleChoices opened = openedWeekly();
    QVERIFY(!ScheduleChoices::changed(opened, opened));
    ScheduleChoices later = opened;
    later.time = QTime(7, 31);
    QVERIFY(ScheduleChoices::changed(later, opened));

    ScheduleChoices snapshot;
    snapshot.plan = 0;
    snapshot.time = QTime(9, 0);
    snapshot.date = QDate(2030, 1, 7);
    ScheduleChoices now = snapshot;
    now.plan = 1;
    QVERIFY(!ScheduleChoices::changed(now, snapshot));
    now.daily = true;
    QVERIFY(ScheduleChoices::changed(now, snapshot));
}

// Whatever the writer writes and the reader shows, the dialog reads back to the same start; texts
// off the twelve-hour clock read as no time.
void TestScheduleChoices::startTextsReadBackOnTheTwentyFourHourClock()
{
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
    QCOMPARE(ScheduleStart::timeFromStartText(u"07:30:00 AM on Mon and Fri"_s), std::optional(QTime(7, 30)));
    for (const QString &text : { u"None of three"_s, u"13:00:00 PM"_s, u"00:10:00 AM"_s, u"8:05:00 PM"_s,
             u"08:05:00 XM"_s, u"08:60:00 AM"_s, u"08:05:00 AMon"_s })
        QVERIFY2(!ScheduleStart::timeFromStartText(text), qPrintable(text));
    QVERIFY(!ScheduleStart::dateFromStartText(u"08:05:00 PM on 2025/13/02"_s));
    QVERIFY(!ScheduleStart::dateFromStartText(u"08:05:00 PM"_s));
}

void TestScheduleChoices::pickableDatesStartToday()
{
    const QDate today(2030, 6, 15);
    QCOMPARE(ScheduleChoices::firstPickableDate(today, {}), today);
    QCOMPARE(ScheduleChoices::firstPickableDate(today, today.addDays(3)), today);
    // An edited schedule that started in the past still shows its own date.
    QCOMPARE(ScheduleChoices::firstPickableDate(today, today.addDays(-1)), today.addDays(-1));

    // A new schedule offers the next whole minute, the next day's first one late in the evening.
    QCOMPARE(ScheduleChoices::firstStart(QDateTime(today, QTime(10, 0, 0))), QDateTime(today, QTime(10, 1)));
    QCOMPARE(ScheduleChoices::firstStart(QDateTime(today, QTime(10, 0, 59, 999))), QDateTime(today, QTime(10, 1)));
    QCOMPARE(
        ScheduleChoices::firstStart(QDateTime(today, QTime(23, 59, 30))), QDateTime(today.addDays(1), QTime(0, 0)));
}

QTEST_GUILESS_MAIN(TestScheduleChoices)
#include "TestScheduleChoices.moc"
