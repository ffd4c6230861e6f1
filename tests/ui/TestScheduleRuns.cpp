// SPDX-License-Identifier: GPL-3.0-or-later
// When schedules run, under a real, private systemd user manager: the schedules page and
// ampctl --json schedules show a once schedule that ran as Completed with its last run and how
// it ended, and a daily schedule's next run from the manager and the day it starts from. Skipped
// where no user manager can run (it takes root).
#include "PageTestSupport.h"
#include "PrivateUserManager.h"
#include "ScheduleRuns.h"
#include "SchedulesPage.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "SystemdTaskService.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

namespace {

enum Column { PlanColumn, StatusColumn, TypeColumn, WhenColumn, NextRunColumn, LastRunColumn };

QJsonObject entryNamed(const QJsonArray &entries, const QString &name)
{
    for (const QJsonValue &entry : entries) {
        if (entry[u"name"_s].toString() == name)
            return entry.toObject();
    }
    return {};
}

} // namespace

class TestScheduleRuns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pageAndAmpctlShowNextAndLastRunAndCompleted();
};

void TestScheduleRuns::pageAndAmpctlShowNextAndLastRunAndCompleted()
{
    // Half an hour off any whole-hour zone: times must not depend on the zone systemctl prints in.
    qputenv("TZ", "Asia/Kolkata");
    PageFixture pages;
    pages.start();
    PrivateUserManager manager;
    if (const QString why = manager.start(pages.env->path(u"manager.log"_s)); !why.isEmpty())
        QSKIP(qPrintable(why));

    const QString runs = pages.env->path(u"runs"_s);
    const QString program
        = pages.env->writeFile(u"program/ampora"_s, u"#!/bin/sh\necho \"$*\" >> '%1'\n"_s.arg(runs).toUtf8());
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    SchemeStore store(sharedStrings().schemeStoreFile);
    const PowerPlanList plans = PlanCatalogue::loadPowerPlans(store).value();
    SystemdTaskService tasks(SystemdTaskService::defaultUnitFolder(), SystemdTaskService::defaultAutostartFolder());
    PlanTaskWriter writer(tasks, program);

    // Power saver once, a few seconds from now; Balanced daily from five days on.
    const QDateTime soon = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 3);
    const qsizetype saver
        = PlanCatalogue::findPlan(plans, QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}"_s)).value();
    const qsizetype balanced
        = PlanCatalogue::findPlan(plans, QUuid::fromString(u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s)).value();
    QCOMPARE(writer.write({ saver, PlanTaskWriter::Kind::Once, soon.date(), soon.time(), {}, {} }, plans),
        PlanTaskWriter::Outcome::Registered);
    const QString once = writer.taskName();
    const QDateTime dailyStart(QDate::currentDate().addDays(5), QTime(7, 0));
    QCOMPARE(
        writer.write({ balanced, PlanTaskWriter::Kind::Daily, dailyStart.date(), dailyStart.time(), {}, {} }, plans),
        PlanTaskWriter::Outcome::Registered);
    const QString daily = writer.taskName();

    QTRY_VERIFY_WITH_TIMEOUT(TestEnvironment::readFile(runs).count('\n') == 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(
        PrivateUserManager::property(once + u".service"_s, u"ActiveState"_s), u"inactive"_s, 10000);
    QCOMPARE(PrivateUserManager::property(once + u".service"_s, u"Result"_s), u"success"_s);

    // The page: Balanced's daily row first, then Power saver's once row.
    auto page = pages.makePage<SchedulesPage>(&store, &tasks);
    WAIT_FOR_RELOAD(*page);
    const ReportList *list = listOf(*page);
    QCOMPARE(list->topLevelItemCount(), 2);
    const QTreeWidgetItem *dailyRow = list->topLevelItem(0);
    const QTreeWidgetItem *onceRow = list->topLevelItem(1);
    QCOMPARE(onceRow->text(PlanColumn), u"Power saver"_s);
    QCOMPARE(onceRow->text(StatusColumn), u"Completed"_s);
    QVERIFY2(onceRow->text(LastRunColumn).endsWith(u", succeeded"_s), qPrintable(onceRow->text(LastRunColumn)));
    QVERIFY(onceRow->text(LastRunColumn).startsWith(soon.date().toString(u"yyyy/MM/dd"_s)));
    QCOMPARE(dailyRow->text(StatusColumn), u"Enabled"_s);
    QCOMPARE(dailyRow->text(NextRunColumn), ScheduleRuns::runTimeText(dailyStart));
    QVERIFY2(dailyRow->text(WhenColumn).endsWith(u" from "_s + dailyStart.date().toString(u"yyyy/MM/dd"_s)),
        qPrintable(dailyRow->text(WhenColumn)));
    QCOMPARE(dailyRow->text(LastRunColumn), u"Not yet"_s);

    // ampctl says the same.
    QProcess ampctl;
    ampctl.start(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s, { u"--json"_s, u"schedules"_s });
    QVERIFY(ampctl.waitForFinished(60000));
    QCOMPARE(ampctl.exitCode(), 0);
    const QJsonArray entries = QJsonDocument::fromJson(ampctl.readAllStandardOutput()).array();
    const QJsonObject ran = entryNamed(entries, once);
    QCOMPARE(ran[u"state"_s].toString(), u"completed"_s);
    QCOMPARE(ran[u"status"_s].toString(), u"Completed"_s);
    QCOMPARE(ran[u"lastResult"_s].toString(), u"success"_s);
    QVERIFY(QDateTime::fromString(ran[u"lastRun"_s].toString(), Qt::ISODate) >= soon);
    QVERIFY(ran[u"nextRun"_s].isNull());
    const QJsonObject coming = entryNamed(entries, daily);
    QCOMPARE(coming[u"state"_s].toString(), u"scheduled"_s);
    QCOMPARE(QDateTime::fromString(coming[u"nextRun"_s].toString(), Qt::ISODate), dailyStart);
    QCOMPARE(coming[u"from"_s].toString(), dailyStart.date().toString(Qt::ISODate));
    QVERIFY(coming[u"lastRun"_s].isNull());
}

QTEST_MAIN(TestScheduleRuns)
#include "TestScheduleRuns.moc"
