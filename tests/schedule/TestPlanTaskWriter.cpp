#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "LogonTask.h"
#include "PlanCatalogue.h"
#include "PlanTaskWriter.h"
#include "ScheduleTestSupport.h"
#include "TaskReader.h"
#include "TestEnvironment.h"

#include <QTest>
#include <ctime>
#include <memory>
#include <optional>

using PlanCatalogue::loadPowerPlans;

using namespace Qt::Literals::StringLiterals;
using Kind = PlanTaskWriter::Kind;
using Outcome = PlanTaskWriter::Outcome;

namespace {

const QString kProgram = u"/opt/Ampora Tools/ampora"_s;

QList<bool> days(std::initializer_list<int> ticked)
{
    QList<bool> list(7, false);
    for (int day : ticked)
        list[day] = true;
    return list;
}

} // namespace

class TestPlanTaskWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void roundTripsThroughTheReader_data();
    void roundTripsThroughTheReader();
    void refusesIncompleteChoices_data();
    void refusesIncompleteChoices();
    void writesEveryTimeTheClockShows_data();
    void writesEveryTimeTheClockShows();
    void namesNewTasksAndEditsUnderTheirOwn();

private:
    PlanTaskWriter::Choice choice(Kind kind) const;

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_store;
    PowerPlanList m_plans;
    FakeTaskService m_service;
};

void TestPlanTaskWriter::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s, scheduleLanguageFile());
    m_store = std::make_unique<FakePowerPlatform>();
    m_store->addScheme(u"Balanced"_s);
    m_store->addScheme(u"Power saver"_s, {}, QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}"));
    m_plans = loadPowerPlans(*m_store).value();
    m_service = FakeTaskService();
}

void TestPlanTaskWriter::cleanup()
{
    m_store.reset();
    m_env.reset();
}

PlanTaskWriter::Choice TestPlanTaskWriter::choice(Kind kind) const
{
    PlanTaskWriter::Choice c;
    c.planIndex = 1; // Power saver
    c.kind = kind;
    c.date = QDate(2090, 7, 5); // far from today: once tasks must lie ahead
    c.time = QTime(7, 3, 9);
    c.days = days({ 1, 5 });
    return c;
}

// How each trigger reads (12-hour clock, joined day names) is TestTaskReader's part; these check
// that each choice becomes the trigger it names.
void TestPlanTaskWriter::roundTripsThroughTheReader_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QList<bool>>("ticked");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("mask");

    QTest::newRow("once") << Kind::Once << QTime(20, 5, 0) << QList<bool>() << u"Once"_s
                          << u"08:05:00 PM on 2090/07/05"_s << 0;
    QTest::newRow("weekly, first and last day")
        << Kind::Weekly << QTime(7, 3, 9) << days({ 0, 6 }) << u"Weekly"_s << u"07:03:09 AM on Sun and Sat"_s << 65;
    // Days are ignored for the other kinds.
    QTest::newRow("daily with days ticked")
        << Kind::Daily << QTime(7, 3, 9) << days({ 1 }) << u"Daily"_s << u"07:03:09 AM"_s << 0;
}

void TestPlanTaskWriter::roundTripsThroughTheReader()
{
    QFETCH(Kind, kind);
    QFETCH(QTime, time);
    QFETCH(QList<bool>, ticked);
    QFETCH(QString, frequency);
    QFETCH(QString, start);
    QFETCH(int, mask);

    PlanTaskWriter::Choice c = choice(kind);
    c.time = time;
    c.days = ticked;
    PlanTaskWriter writer(m_service, kProgram);
    QCOMPARE(writer.write(c, m_plans), Outcome::Registered);

    const QList<TimeSchedule> schedules = readScheduledTasks(m_service, *m_store);
    QCOMPARE(schedules.size(), 1);
    QCOMPARE(schedules.first().frequencyText, frequency);
    QCOMPARE(schedules.first().startText, start);
    QCOMPARE(schedules.first().daysOfWeek, mask);
    QCOMPARE(schedules.first().planName, u"Power saver"_s);
    QVERIFY(schedules.first().enabled);
}

void TestPlanTaskWriter::refusesIncompleteChoices_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QList<bool>>("ticked");
    QTest::addColumn<qsizetype>("planIndex");
    QTest::addColumn<QString>("program");
    QTest::addColumn<Outcome>("result");

    // Weekly with no day ticked is refused in TestScheduleDialog.
    QTest::newRow("weekly with an empty day list")
        << Kind::Weekly << QList<bool>() << qsizetype(1) << kProgram << Outcome::NoDays;
    QTest::newRow("no kind") << Kind::None << days({ 1 }) << qsizetype(1) << kProgram << Outcome::NoKind;
    QTest::newRow("no plan selected") << Kind::Daily << QList<bool>() << qsizetype(-1) << kProgram << Outcome::NoPlan;
    QTest::newRow("the create-new item") << Kind::Daily << QList<bool>() << qsizetype(2) << kProgram << Outcome::NoPlan;
    QTest::newRow("no program") << Kind::Daily << QList<bool>() << qsizetype(1) << QString() << Outcome::NoProgramPath;
}

void TestPlanTaskWriter::refusesIncompleteChoices()
{
    QFETCH(Kind, kind);
    QFETCH(QList<bool>, ticked);
    QFETCH(qsizetype, planIndex);
    QFETCH(QString, program);
    QFETCH(Outcome, result);

    PlanTaskWriter::Choice c = choice(kind);
    c.days = ticked;
    c.planIndex = planIndex;
    PlanTaskWriter writer(m_service, program);
    QCOMPARE(writer.write(c, m_plans), result);
    QVERIFY(m_service.tasks().isEmpty());
}

void TestPlanTaskWriter::writesEveryTimeTheClockShows_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<Outcome>("result");

    // Clocks in Berlin go from 02:00 to 03:00 on 2090-03-26 and from 03:00 back to 02:00 on 2090-10-29.
    const QByteArray berlin = "Europe/Berlin";
    const QDate springForward(2090, 3, 26);
    // A once time in the hour the clock skips has its own outcome, shown by TestAmpctl.
    QTest::newRow("daily, from that day")
        << berlin << Kind::Daily << springForward << QTime(2, 30) << Outcome::Registered;
    QTest::newRow("once, in the hour that comes twice")
        << berlin << Kind::Once << QDate(2090, 10, 29) << QTime(2, 30) << Outcome::Registered;
    QTest::newRow("once, where the clock does not skip it")
        << QByteArray("UTC") << Kind::Once << springForward << QTime(2, 30) << Outcome::Registered;
    // A once time that has passed would never run; daily and weekly ones run from the next day.
    QTest::newRow("once, passed") << berlin << Kind::Once << QDate(2020, 1, 1) << QTime(10, 0) << Outcome::InPast;
    QTest::newRow("daily, from a passed day")
        << berlin << Kind::Daily << QDate(2020, 1, 1) << QTime(10, 0) << Outcome::Registered;
    QTest::newRow("once, before the first year")
        << berlin << Kind::Once << QDate(1969, 12, 31) << QTime(23, 0) << Outcome::DateOutOfRange;
    QTest::newRow("daily, from the last day")
        << berlin << Kind::Daily << QDate(2198, 12, 31) << QTime(7, 0) << Outcome::Registered;
    QTest::newRow("daily, after the last year")
        << berlin << Kind::Daily << QDate(2199, 1, 1) << QTime(7, 0) << Outcome::DateOutOfRange;
}

void TestPlanTaskWriter::writesEveryTimeTheClockShows()
{
    QFETCH(QByteArray, zone);
    QFETCH(Kind, kind);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(Outcome, result);

    const std::optional<QByteArray> oldZone
        = qEnvironmentVariableIsSet("TZ") ? std::optional(qgetenv("TZ")) : std::nullopt;
    qputenv("TZ", zone);
    tzset();
    PlanTaskWriter::Choice c = choice(kind);
    c.date = date;
    c.time = time;
    const Outcome outcome = PlanTaskWriter(m_service, kProgram).write(c, m_plans);
    oldZone ? qputenv("TZ", *oldZone) : qunsetenv("TZ");
    tzset();

    QCOMPARE(outcome, result);
    QCOMPARE(m_service.tasks().size(), result == Outcome::Registered ? 1 : 0);
    if (result == Outcome::Registered)
        QCOMPARE(m_service.task(u"AMPCTL0"_s)->definition->triggers.first().startBoundary,
            PlanTaskWriter::startBoundary(date, time));
}

// A new task takes the first free name, whoever's tasks hold the others; an edit keeps its own
// (what an edit does when its task changed meanwhile is TestScheduleDialog's part).
void TestPlanTaskWriter::namesNewTasksAndEditsUnderTheirOwn()
{
    m_service.addForeignTask(RegisteredTask { u"AMPCTL00"_s, true, std::nullopt });
    m_service.addForeignTask(RegisteredTask { u"AMPCTL1"_s, true, std::nullopt });
    PlanTaskWriter writer(m_service, kProgram);
    QCOMPARE(writer.write(choice(Kind::Once), m_plans), Outcome::Registered);
    QCOMPARE(writer.taskName(), u"AMPCTL0"_s);
    QCOMPARE(writer.write(choice(Kind::Once), m_plans), Outcome::Registered);
    QCOMPARE(writer.taskName(), u"AMPCTL2"_s);
    QVERIFY(m_service.setTaskEnabled(u"AMPCTL0"_s, false));

    PlanTaskWriter::Choice edit = choice(Kind::Daily);
    edit.planIndex = 0;
    edit.editedTaskName = u"AMPCTL0"_s;
    edit.editedDefinition = m_service.task(u"AMPCTL0"_s)->definition; // the task as read
    QCOMPARE(writer.write(edit, m_plans), Outcome::Registered);
    QCOMPARE(writer.taskName(), u"AMPCTL0"_s);

    // A rewritten task is registered afresh, enabled; the other is left as it was.
    const QList<TimeSchedule> schedules = readScheduledTasks(m_service, *m_store);
    QCOMPARE(schedules.size(), 2);
    QCOMPARE(schedules.first().planName, u"Balanced"_s);
    QVERIFY(schedules.first().enabled);
    QCOMPARE(schedules.last().taskName, u"AMPCTL2"_s);
    QCOMPARE(schedules.last().frequencyText, u"Once"_s);
    QCOMPARE(m_service.tasks().size(), 4);
}

QTEST_GUILESS_MAIN(TestPlanTaskWriter)
#include "TestPlanTaskWriter.moc"
