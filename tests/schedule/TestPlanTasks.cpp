// SPDX-License-Identifier: GPL-3.0-or-later
// Time-based schedules as the writer registers them and the reader lists them, through an
// in-memory task folder, and the schedule dialog's choices. The real folder (systemd units) is
// TestSystemdTaskService's part.
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "Guid.h"
#include "PlanCatalogue.h"
#include "PlanTaskWriter.h"
#include "ScheduleChoices.h"
#include "ScheduleTestSupport.h"
#include "TaskReader.h"
#include "TestEnvironment.h"

#include <QTest>
#include <ctime>
#include <memory>

using Guid::guidToText;
using PlanCatalogue::loadPowerPlans;

using namespace Qt::Literals::StringLiterals;
using Kind = PlanTaskWriter::Kind;
using Outcome = PlanTaskWriter::Outcome;
using TriggerType = TaskDefinition::TriggerType;

namespace {

const QString kProgram = u"/opt/Ampora Tools/ampora"_s;
const QUuid kSaver = QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}");
const QString kBoundary = u"2024-07-05T07:03:09"_s;

QList<bool> days(std::initializer_list<int> ticked)
{
    QList<bool> list(7, false);
    for (int day : ticked)
        list[day] = true;
    return list;
}

QStringList namesOf(const QList<TimeSchedule> &schedules)
{
    QStringList names;
    for (const TimeSchedule &s : schedules)
        names.append(s.taskName);
    return names;
}

} // namespace

class TestPlanTasks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->writeFile(u"program/ampctleng.ini"_s, scheduleLanguageFile());
        m_store = std::make_unique<FakePowerPlatform>();
        m_store->addScheme(u"Balanced"_s);
        m_store->addScheme(u"Power saver"_s, {}, kSaver);
        m_plans = loadPowerPlans(*m_store).value();
        m_service = std::make_unique<FakeTaskService>();
    }

    // A task is the program's when its name starts with AMPCTL and it starts a program with the
    // plan switch and a braced GUID (their forms are TestProfile's and TestIniFile's); the rest of
    // the folder is listed by nobody and deleted by nobody.
    void readerListsOnlyTheProgramsTasks()
    {
        const QString guid = guidToText(kSaver);
        const QString args = u"-setactiveplan -"_s + guid;
        const struct
        {
            QString name;
            QString arguments;
            bool listed;
        } cases[] = {
            { u"AMPCTL0"_s, args, true }, { u"AMPCTL1"_s, args.toLower(), true }, { u"ampctl3"_s, args, false },
            { u"XAMPCTL4"_s, args, false }, { u"AMPCTL6"_s, args + u' ', false },
            { u"AMPCTL8"_s, args, false }, // not a program start
        };
        QStringList listed;
        for (const auto &c : cases) {
            RegisteredTask task = planTask(c.name, TriggerType::Daily, kBoundary, c.arguments);
            if (c.name == u"AMPCTL8")
                task.definition->actions.first().type = TaskDefinition::ActionType::Email;
            m_service->addTask(task);
            if (c.listed)
                listed.append(c.name);
        }
        QStringList read = namesOf(readScheduledTasks(*m_service, *m_store));
        read.sort();
        QCOMPARE(read, listed);
        QVERIFY(m_service->deleteCalls().isEmpty());
    }

    // The 12-hour clock, joined day names, and what the list shows for a trigger it cannot read.
    void readerShowsEachTrigger()
    {
        const struct
        {
            TriggerType type;
            QString boundary;
            int days;
            QString frequency;
            QString start;
        } cases[] = {
            { TriggerType::Daily, u"2024-07-05T00:30:15"_s, 0, u"Daily"_s, u"12:30:15 AM"_s },
            { TriggerType::Weekly, kBoundary, 1 | 2 | 64, u"Weekly"_s, u"07:03:09 AM on Sun, Mon and Sat"_s },
            { TriggerType::Logon, kBoundary, 0, u"None of three"_s, u"None of three"_s },
            { TriggerType::Once, u"garbage"_s, 0, u"Once"_s, u"12:00:00 AM on 0000/00/00"_s },
        };
        for (const auto &c : cases) {
            FakeTaskService service;
            service.addTask(planTask(u"AMPCTL0"_s, c.type, c.boundary, planArguments(kSaver), c.days));
            const QList<TimeSchedule> schedules = readScheduledTasks(service, *m_store);
            QCOMPARE(schedules.size(), 1);
            QCOMPARE(schedules.first().frequencyText, c.frequency);
            QCOMPARE(schedules.first().startText, c.start);
            QCOMPARE(schedules.first().daysOfWeek, c.type == TriggerType::Weekly ? c.days : 0);
        }
    }

    // Tasks of a plan known gone are deleted after the read; a failing plan store or an unreachable
    // task service deletes nothing.
    void readerDeletesOnlyTasksOfPlansKnownGone()
    {
        const QUuid gone = QUuid::createUuid();
        m_service->addTask(planTask(u"AMPCTL0"_s, TriggerType::Daily, kBoundary, planArguments(gone)));
        m_service->addTask(planTask(u"AMPCTL1"_s, TriggerType::Daily, kBoundary, planArguments(kSaver)));
        m_service->addTask(planTask(u"ampctl2"_s, TriggerType::Daily, kBoundary, planArguments(gone)));
        m_service->addTask(planTask(u"AMPCTL3"_s, TriggerType::Once, kBoundary, planArguments(gone)));

        FakePowerPlatform silent; // a plan store that cannot answer, as opposed to one whose plan is gone
        silent.setUnreadable(true);
        const QList<TimeSchedule> kept = readScheduledTasks(*m_service, silent);
        QCOMPARE(namesOf(kept), QStringList({ u"AMPCTL0"_s, u"AMPCTL1"_s, u"AMPCTL3"_s }));
        QVERIFY(kept.first().planName.isEmpty());
        m_service->setUnreachable(true);
        QVERIFY(readScheduledTasks(*m_service, *m_store).isEmpty());
        QVERIFY(m_service->deleteCalls().isEmpty());

        m_service->setUnreachable(false);
        QCOMPARE(namesOf(readScheduledTasks(*m_service, *m_store)), QStringList({ u"AMPCTL1"_s }));
        QCOMPARE(m_service->deleteCalls(), QStringList({ u"AMPCTL0"_s, u"AMPCTL3"_s }));
        QCOMPARE(m_service->tasks().size(), 2);
    }

    // Weekly with no day ticked is refused in TestScheduleDialog, with the writer's message.
    void writerRefusesIncompleteChoices()
    {
        const struct
        {
            Kind kind;
            QList<bool> ticked;
            qsizetype plan;
            QString program;
            Outcome outcome;
        } cases[] = {
            { Kind::None, days({ 1 }), 1, kProgram, Outcome::NoKind },
            { Kind::Daily, {}, -1, kProgram, Outcome::NoPlan },
            { Kind::Daily, {}, 2, kProgram, Outcome::NoPlan }, // the create-new item
            { Kind::Daily, {}, 1, QString(), Outcome::NoProgramPath },
        };
        for (const auto &c : cases) {
            PlanTaskWriter::Choice refused = choice(c.kind);
            refused.days = c.ticked;
            refused.planIndex = c.plan;
            QCOMPARE(PlanTaskWriter(*m_service, c.program).write(refused, m_plans), c.outcome);
        }
        QVERIFY(m_service->tasks().isEmpty());
    }

    void writerWritesEveryTimeTheClockShows_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<Outcome>("result");

        // Clocks in Berlin go from 02:00 to 03:00 on 2090-03-26 and from 03:00 back to 02:00 on 2090-10-29.
        // A once time in the hour the clock skips has its own outcome, shown by TestAmpctl.
        const QByteArray berlin = "Europe/Berlin";
        QTest::newRow("daily, from that day")
            << berlin << Kind::Daily << QDate(2090, 3, 26) << QTime(2, 30) << Outcome::Registered;
        QTest::newRow("once, in the hour that comes twice")
            << berlin << Kind::Once << QDate(2090, 10, 29) << QTime(2, 30) << Outcome::Registered;
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

    void writerWritesEveryTimeTheClockShows()
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
        const Outcome outcome = PlanTaskWriter(*m_service, kProgram).write(c, m_plans);
        oldZone ? qputenv("TZ", *oldZone) : qunsetenv("TZ");
        tzset();

        QCOMPARE(outcome, result);
        QCOMPARE(m_service->tasks().size(), result == Outcome::Registered ? 1 : 0);
        if (result == Outcome::Registered)
            QCOMPARE(m_service->task(u"AMPCTL0"_s)->definition->triggers.first().startBoundary,
                PlanTaskWriter::startBoundary(date, time));
    }

    // A new task takes the first free name, whoever's tasks hold the others; an edit keeps its own
    // (what an edit does when its task changed meanwhile is TestScheduleDialog's part). What the
    // writer writes reads back as it was chosen.
    void writerNamesNewTasksAndEditsUnderTheirOwn()
    {
        m_service->addForeignTask(RegisteredTask { u"AMPCTL00"_s, true, std::nullopt });
        m_service->addForeignTask(RegisteredTask { u"AMPCTL1"_s, true, std::nullopt });
        PlanTaskWriter writer(*m_service, kProgram);
        QCOMPARE(writer.write(choice(Kind::Once), m_plans), Outcome::Registered);
        QCOMPARE(writer.taskName(), u"AMPCTL0"_s);
        PlanTaskWriter::Choice weekly = choice(Kind::Weekly);
        weekly.days = days({ 0, 6 });
        weekly.time = QTime(20, 5);
        QCOMPARE(writer.write(weekly, m_plans), Outcome::Registered);
        QCOMPARE(writer.taskName(), u"AMPCTL2"_s);
        QVERIFY(m_service->setTaskEnabled(u"AMPCTL0"_s, false));

        PlanTaskWriter::Choice edit = choice(Kind::Daily);
        edit.planIndex = 0;
        edit.editedTaskName = u"AMPCTL0"_s;
        edit.editedDefinition = m_service->task(u"AMPCTL0"_s)->definition; // the task as read
        QCOMPARE(writer.write(edit, m_plans), Outcome::Registered);
        QCOMPARE(writer.taskName(), u"AMPCTL0"_s);

        // A rewritten task is registered afresh, enabled, without the days ticked for weekly; the
        // other is left as it was.
        const QList<TimeSchedule> schedules = readScheduledTasks(*m_service, *m_store);
        QCOMPARE(namesOf(schedules), QStringList({ u"AMPCTL0"_s, u"AMPCTL2"_s }));
        QCOMPARE(schedules.first().planName, u"Balanced"_s);
        QCOMPARE(schedules.first().startText, u"07:03:09 AM"_s);
        QCOMPARE(schedules.first().daysOfWeek, 0);
        QVERIFY(schedules.first().enabled);
        QCOMPARE(schedules.last().planName, u"Power saver"_s);
        QCOMPARE(schedules.last().startText, u"08:05:00 PM on Sun and Sat"_s);
        QCOMPARE(schedules.last().daysOfWeek, 1 | 64);
    }
    // The schedule button's part in TestScheduleDialog: ticking days, a preselected network. Here:
    // a new time counts, another plan only once there is a kind to schedule it with.
    void choiceChangesThatCountAndThoseThatDoNot()
    {
        ScheduleChoices snapshot;
        snapshot.plan = 0;
        snapshot.time = QTime(9, 0);
        snapshot.date = QDate(2030, 1, 7);
        ScheduleChoices now = snapshot;
        now.plan = 1;
        QVERIFY(!ScheduleChoices::changed(now, snapshot));
        now.daily = true;
        QVERIFY(ScheduleChoices::changed(now, snapshot));
        snapshot = now;
        QVERIFY(!ScheduleChoices::changed(now, snapshot));
        now.time = QTime(9, 1);
        QVERIFY(ScheduleChoices::changed(now, snapshot));
    }

    // Whatever the writer writes and the reader shows, the dialog reads back to the same start; texts
    // off the twelve-hour clock read as no time.
    void startTextsReadBackOnTheTwentyFourHourClock()
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

    // An edited schedule shows its own date even in the past, and a new one the next whole minute,
    // the next day's first late in the evening: TestScheduleDialog. Here: a date ahead, and a minute
    // nearly gone.
    void pickableDatesStartToday()
    {
        const QDate today(2030, 6, 15);
        QCOMPARE(ScheduleChoices::firstPickableDate(today, today.addDays(3)), today);
        QCOMPARE(ScheduleChoices::firstStart(QDateTime(today, QTime(10, 0, 59, 999))), QDateTime(today, QTime(10, 1)));
    }

private:
    static PlanTaskWriter::Choice choice(Kind kind)
    {
        PlanTaskWriter::Choice c;
        c.planIndex = 1; // Power saver
        c.kind = kind;
        c.date = QDate(2090, 7, 5); // far from today: once tasks must lie ahead
        c.time = QTime(7, 3, 9);
        c.days = days({ 1, 5 });
        return c;
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_store;
    PowerPlanList m_plans;
    std::unique_ptr<FakeTaskService> m_service;
};

QTEST_GUILESS_MAIN(TestPlanTasks)
#include "TestPlanTasks.moc"
