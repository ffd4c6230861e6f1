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

    void picksFirstFreeName_data();
    void picksFirstFreeName();
    void roundTripsThroughTheReader_data();
    void roundTripsThroughTheReader();
    void refusesIncompleteChoices_data();
    void refusesIncompleteChoices();
    void writesEveryTimeTheClockShows_data();
    void writesEveryTimeTheClockShows();
    void editReplacesTaskUnderItsName();

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
    m_plans = loadPowerPlans(*m_store);
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
    c.date = QDate(2024, 7, 5);
    c.time = QTime(7, 3, 9);
    c.days = days({ 1, 5 });
    return c;
}

void TestPlanTaskWriter::picksFirstFreeName_data()
{
    QTest::addColumn<QStringList>("listedNames");
    QTest::addColumn<QString>("expected");
    // An empty folder gives AMPCTL0, as every other case here shows.
    QTest::newRow("fills a gap") << QStringList({ u"AMPCTL0"_s, u"AMPCTL2"_s }) << u"AMPCTL1"_s;
    QTest::newRow("after a run, in any order") << QStringList({ u"AMPCTL1"_s, u"AMPCTL0"_s }) << u"AMPCTL2"_s;
    QTest::newRow("no leading zeros") << QStringList({ u"AMPCTL00"_s, u"AMPCTL01"_s }) << u"AMPCTL0"_s;
}

void TestPlanTaskWriter::picksFirstFreeName()
{
    QFETCH(QStringList, listedNames);
    QFETCH(QString, expected);
    // Names taken by anything in the folder, the program's tasks or not.
    for (const QString &name : std::as_const(listedNames))
        m_service.addForeignTask(RegisteredTask { name, true, std::nullopt });

    PlanTaskWriter writer(m_service, kProgram);
    QCOMPARE(writer.write(choice(Kind::Daily), m_plans), Outcome::Registered);
    QCOMPARE(writer.taskName(), expected);
    QVERIFY(m_service.task(expected));
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
                          << u"08:05:00 PM on 2024/07/05"_s << 0;
    QTest::newRow("daily 00:30:15") << Kind::Daily << QTime(0, 30, 15) << QList<bool>() << u"Daily"_s
                                    << u"12:30:15 AM"_s << 0;
    QTest::newRow("weekly, two days") << Kind::Weekly << QTime(7, 3, 9) << days({ 0, 6 }) << u"Weekly"_s
                                      << u"07:03:09 AM on Sun and Sat"_s << 65;
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
    QCOMPARE(schedules.first().taskName, u"AMPCTL0"_s);
    QCOMPARE(schedules.first().planName, u"Power saver"_s);
    QCOMPARE(schedules.first().frequencyText, frequency);
    QCOMPARE(schedules.first().startText, start);
    QCOMPARE(schedules.first().daysOfWeek, mask);
    QVERIFY(schedules.first().enabled);
}

void TestPlanTaskWriter::refusesIncompleteChoices_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QList<bool>>("ticked");
    QTest::addColumn<qsizetype>("planIndex");
    QTest::addColumn<QString>("program");
    QTest::addColumn<Outcome>("result");

    QTest::newRow("weekly without days") << Kind::Weekly << QList<bool>(7, false) << qsizetype(1) << kProgram
                                         << Outcome::NoDays;
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

    // Clocks in Berlin go from 02:00 to 03:00 on 2030-03-31 and from 03:00 back to 02:00 on 2030-10-27.
    const QByteArray berlin = "Europe/Berlin";
    const QDate springForward(2030, 3, 31);
    QTest::newRow("once, in the hour the clock skips")
        << berlin << Kind::Once << springForward << QTime(2, 30) << Outcome::NoSuchTime;
    QTest::newRow("daily, from that day")
        << berlin << Kind::Daily << springForward << QTime(2, 30) << Outcome::Registered;
    QTest::newRow("once, in the hour that comes twice")
        << berlin << Kind::Once << QDate(2030, 10, 27) << QTime(2, 30) << Outcome::Registered;
    QTest::newRow("once, where the clock does not skip it")
        << QByteArray("UTC") << Kind::Once << springForward << QTime(2, 30) << Outcome::Registered;
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

    const QByteArray oldZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    PlanTaskWriter::Choice c = choice(kind);
    c.date = date;
    c.time = time;
    PlanTaskWriter writer(m_service, kProgram);
    const Outcome outcome = writer.write(c, m_plans);
    if (hadZone)
        qputenv("TZ", oldZone);
    else
        qunsetenv("TZ");
    tzset();

    QCOMPARE(outcome, result);
    QCOMPARE(m_service.tasks().size(), result == Outcome::Registered ? 1 : 0);
    if (result == Outcome::Registered)
        QCOMPARE(m_service.task(u"AMPCTL0"_s)->definition->triggers.first().startBoundary,
            PlanTaskWriter::startBoundary(date, time));
}

void TestPlanTaskWriter::editReplacesTaskUnderItsName()
{
    PlanTaskWriter writer(m_service, kProgram);
    QCOMPARE(writer.write(choice(Kind::Once), m_plans), Outcome::Registered);
    QCOMPARE(writer.write(choice(Kind::Once), m_plans), Outcome::Registered);
    QCOMPARE(writer.taskName(), u"AMPCTL1"_s);
    QVERIFY(m_service.setTaskEnabled(u"AMPCTL0"_s, false));

    PlanTaskWriter::Choice edit = choice(Kind::Daily);
    edit.planIndex = 0;
    edit.time = QTime(18, 0, 0);
    edit.editedTaskName = u"AMPCTL0"_s;
    QCOMPARE(writer.write(edit, m_plans), Outcome::Registered);
    QCOMPARE(writer.taskName(), u"AMPCTL0"_s);

    const QList<TimeSchedule> schedules = readScheduledTasks(m_service, *m_store);
    QCOMPARE(schedules.size(), 2);
    QCOMPARE(schedules.first().taskName, u"AMPCTL0"_s);
    QCOMPARE(schedules.first().planName, u"Balanced"_s);
    QVERIFY(schedules.first().enabled); // a rewritten task is registered afresh
    QCOMPARE(schedules.last().taskName, u"AMPCTL1"_s);
    QCOMPARE(schedules.last().frequencyText, u"Once"_s);
}

QTEST_GUILESS_MAIN(TestPlanTaskWriter)
#include "TestPlanTaskWriter.moc"
