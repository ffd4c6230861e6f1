// SPDX-License-Identifier: GPL-3.0-or-later
// When time-based schedules run, worked out from their triggers and from what the task service
// says (the real user manager is TestScheduleRuns').
#include "FakeTaskService.h"
#include "PlanTaskWriter.h"
#include "ScheduleRuns.h"
#include "TestEnvironment.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

TimeSchedule scheduleOf(const QString &name, PlanTaskWriter::Kind kind, const QDateTime &start, int days = 0)
{
    TimeSchedule schedule;
    schedule.taskName = name;
    schedule.enabled = true;
    schedule.definition = PlanTaskWriter::definition(
        kind, u"/usr/bin/ampora"_s, {}, PlanTaskWriter::startBoundary(start.date(), start.time()), days);
    return schedule;
}

} // namespace

class TestRunTimes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_env.writeFile(u"program/ampctleng.ini"_s,
            TestEnvironment::readFile(TestEnvironment::sourceFile(u"../resources/ampctleng.ini"_s)));
    }

    void nextRunFollowsTheTrigger()
    {
        using ScheduleRuns::nextRunOf;
        const QDateTime monday(QDate(2031, 3, 17), QTime(12, 0));
        const auto trigger = [](PlanTaskWriter::Kind kind, const QDateTime &start, int days = 0) {
            return scheduleOf(u"T"_s, kind, start, days).definition->triggers.constFirst();
        };
        // Daily: today's time is gone, so tomorrow's; a start later on is the first run.
        QCOMPARE(nextRunOf(trigger(PlanTaskWriter::Kind::Daily, QDateTime(QDate(2031, 1, 1), QTime(8, 0))), monday),
            QDateTime(QDate(2031, 3, 18), QTime(8, 0)));
        QCOMPARE(nextRunOf(trigger(PlanTaskWriter::Kind::Daily, QDateTime(QDate(2031, 4, 2), QTime(8, 0))), monday),
            QDateTime(QDate(2031, 4, 2), QTime(8, 0)));
        // Weekly on Sunday and Monday (bits 0 and 1) at 11:00: next Sunday.
        QCOMPARE(
            nextRunOf(trigger(PlanTaskWriter::Kind::Weekly, QDateTime(QDate(2031, 1, 1), QTime(11, 0)), 3), monday),
            QDateTime(QDate(2031, 3, 23), QTime(11, 0)));
        // Once: its time, or nothing when that has passed.
        QCOMPARE(nextRunOf(trigger(PlanTaskWriter::Kind::Once, monday.addSecs(60)), monday), monday.addSecs(60));
        QCOMPARE(nextRunOf(trigger(PlanTaskWriter::Kind::Once, monday.addSecs(-60)), monday), std::nullopt);

        // A daily schedule that first runs after tomorrow says from when; one that starts tomorrow
        // does not. Without a manager the next run is the trigger's.
        FakeTaskService service;
        QList<TimeSchedule> schedules { scheduleOf(u"A"_s, PlanTaskWriter::Kind::Daily, monday.addDays(5)),
            scheduleOf(u"B"_s, PlanTaskWriter::Kind::Daily, monday.addDays(1)) };
        ScheduleRuns::addRunTimes(schedules, service, monday);
        QCOMPARE(schedules.at(0).firstRunDate, monday.date().addDays(5));
        QCOMPARE(schedules.at(0).nextRun, monday.addDays(5));
        QVERIFY(!schedules.at(1).firstRunDate.isValid());
        QVERIFY(ScheduleRuns::whenText(schedules.at(0)).endsWith(u"2031/03/22"_s));
    }

    void onceSchedulesCompleteOrNeverRun()
    {
        const QDateTime now(QDate(2031, 3, 17), QTime(12, 0));
        const QDateTime earlier = now.addSecs(-3600);
        QList<TimeSchedule> schedules { scheduleOf(u"ran"_s, PlanTaskWriter::Kind::Once, earlier),
            scheduleOf(u"missed"_s, PlanTaskWriter::Kind::Once, earlier),
            scheduleOf(u"catchUp"_s, PlanTaskWriter::Kind::Once, earlier),
            scheduleOf(u"coming"_s, PlanTaskWriter::Kind::Once, now.addSecs(60)) };
        FakeTaskService service;
        // The manager ran one; it knows the next two and has nothing due for them.
        service.setRunTimes({ { u"ran"_s, { true, std::nullopt, earlier.addSecs(1), u"exit-code"_s } },
            { u"missed"_s, { true, std::nullopt, std::nullopt, {} } },
            { u"coming"_s, { true, now.addSecs(60), std::nullopt, {} } } });
        // Without a manager that knows it, a missed time is caught up when one starts.
        ScheduleRuns::addRunTimes(schedules, service, now);
        QCOMPARE(schedules.at(0).runState, TimeSchedule::RunState::Completed);
        QCOMPARE(ScheduleRuns::statusText(schedules.at(0)), u"Completed"_s);
        QVERIFY(ScheduleRuns::lastRunText(schedules.at(0)).endsWith(u"(exit-code)"_s));
        QCOMPARE(schedules.at(1).runState, TimeSchedule::RunState::NeverRuns);
        QVERIFY(!schedules.at(1).neverReason.isEmpty());
        QCOMPARE(schedules.at(2).runState, TimeSchedule::RunState::Scheduled);
        QCOMPARE(schedules.at(3).nextRun, now.addSecs(60));
    }

private:
    TestEnvironment m_env;
};

QTEST_GUILESS_MAIN(TestRunTimes)
#include "TestRunTimes.moc"
