// SPDX-License-Identifier: GPL-3.0-or-later
// Tasks as systemd user units and autostart entries, on real files that systemd's own tools check,
// with a systemctl that notes its calls; and under a real user manager of the test's own (that
// case needs root, and is skipped with the reason elsewhere).
#include "FakePowerPlatform.h"
#include "FileSizeLimit.h"
#include "LogonTask.h"
#include "PlanCatalogue.h"
#include "PlanTaskWriter.h"
#include "PrivateUserManager.h"
#include "SystemdTaskService.h"
#include "TaskReader.h"
#include "TestEnvironment.h"
#include "ToolRun.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <ctime>
#include <memory>

using PlanCatalogue::loadPowerPlans;

using namespace Qt::Literals::StringLiterals;
using Kind = PlanTaskWriter::Kind;

namespace {

// Paths for definitions that are only stored and read, never run.
const QString kStoredProgram = u"/opt/ampora/bin/ampora"_s;
const QString kStoredOddProgram = u"/opt/My Tools/it's \"100%\" $HOME\\bin/ampora"_s;

TaskDefinition timerTask(
    Kind kind, const QString &boundary, const QString &program, int days = 0, const QString &arguments = {})
{
    return PlanTaskWriter::definition(kind, program, arguments, boundary, days);
}

// The schedule most cases need, from a day long past.
TaskDefinition dailyTask(const QString &program, const QString &arguments = {})
{
    return timerTask(Kind::Daily, u"2024-07-05T07:03:09"_s, program, 0, arguments);
}

// The local zone of this process, for code that reads wall-clock times.
void setZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

// The first local times at which systemd-analyze calendar says the timer's OnCalendar= lines
// elapse; on an error, what it said instead.
QStringList nextElapses(const QString &timerPath, int count, const QString &zone = u"UTC"_s)
{
    static const QRegularExpression onCalendar(u"^OnCalendar=(.*)$"_s, QRegularExpression::MultilineOption);
    static const QRegularExpression stamp(
        u"(?:Next elapse|Iter\\. #\\d+): \\w+ (\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})"_s);
    QStringList arguments { u"calendar"_s, u"--iterations=%1"_s.arg(count) };
    for (auto it = onCalendar.globalMatch(QString::fromUtf8(TestEnvironment::readFile(timerPath))); it.hasNext();)
        arguments.append(it.next().captured(1));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TZ"_s, zone);
    const ToolRun calendar = runTool(u"systemd-analyze"_s, arguments, environment);
    if (calendar.exitCode != 0)
        return { calendar.output };
    QStringList times;
    for (auto it = stamp.globalMatch(calendar.output); it.hasNext();)
        times.append(it.next().captured(1));
    times.sort();
    times.removeDuplicates();
    return times.mid(0, count);
}

const QDateTime kLongAgo(QDate(2021, 1, 1), QTime(0, 0), Qt::UTC);

// Makes a timer's stamp file (made if missing) say it ran long ago, as an earlier timer of its name
// may have left it.
bool makeStale(const QString &stamp)
{
    QFile file(stamp);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(kLongAgo, QFileDevice::FileModificationTime);
}

// Rewrites a file in place, as an editor that keeps the file would.
bool rewriteInPlace(const QString &path, const QByteArray &from, const QByteArray &to)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    if (!bytes.contains(from))
        return false;
    bytes.replace(from, to);
    return file.seek(0) && file.resize(0) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSystemdTaskService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_path = qgetenv("PATH");
        if (qEnvironmentVariableIsSet("TZ"))
            m_zone = qgetenv("TZ");
        if (QStandardPaths::findExecutable(u"systemd-analyze"_s).isEmpty())
            QSKIP("systemd-analyze is needed to check the written units");
    }

    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->writeFile(u"program/ampctleng.ini"_s,
            "[Ampora]\nIDS_RUN_WEEKLY=Weekly\nIDS_MONDAY=Mon\nIDS_FRIDAY=Fri\nIDS_AND=and\nIDS_ON=on\n");
        // Real executables, since systemd-analyze checks that the service's program exists.
        m_program = m_env->path(u"program/ampora"_s);
        QDir().mkpath(QFileInfo(m_program).absolutePath());
        QVERIFY(QFile::copy(u"/bin/true"_s, m_program));
        installSystemctl(0);
    }

    void cleanup()
    {
        qputenv("PATH", m_path);
        if (m_zone) {
            setZone(*m_zone);
        } else {
            qunsetenv("TZ");
            tzset();
        }
        m_env.reset();
    }

    // The texts and settings that have to survive the unit files, and the first times a once and a
    // weekly schedule fire (a daily one: the wall-clock case).
    void roundTripsAndFiresFromTheStartOn_data()
    {
        QTest::addColumn<TaskDefinition>("definition");
        QTest::addColumn<QStringList>("fires");

        // Unit texts of every other form are the unit file fuzzer's.
        TaskDefinition every = dailyTask(kStoredOddProgram, u"a  \"b\" 'c' $HOME %h 50% ; \\x41 \ttab é"_s);
        every.author = u" 100% \\odd\nauthor "_s;
        every.principal = { 7, 3 };
        every.settings = { true, true, true, true, u"PT5M"_s };
        every.triggers.first().id = u"My trigger"_s;
        QTest::newRow("odd program path and arguments, every setting") << every << QStringList();

        QTest::newRow("once") << timerTask(Kind::Once, u"2030-07-05T07:03:09"_s, kStoredProgram)
                              << QStringList { u"2030-07-05 07:03:09"_s };
        // 2030-07-08 is a Monday.
        QTest::newRow("weekly Sunday, start on a Monday")
            << timerTask(Kind::Weekly, u"2030-07-08T23:59:59"_s, kStoredProgram, 1)
            << QStringList { u"2030-07-14 23:59:59"_s, u"2030-07-21 23:59:59"_s, u"2030-07-28 23:59:59"_s };
    }

    void roundTripsAndFiresFromTheStartOn()
    {
        QFETCH(TaskDefinition, definition);
        QFETCH(QStringList, fires);
        auto tasks = service();
        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, definition, TaskService::Registration::CreateOrUpdate));
        QCOMPARE(tasks->readTasks().valueOr({}), QList<RegisteredTask>({ { u"AMPCTL0"_s, true, definition } }));
        if (!fires.isEmpty())
            QCOMPARE(nextElapses(unitFolder() + u"/AMPCTL0.timer"_s, 3), fires);
    }

    // Another service object stands for another process (ampctl writing a schedule): it is told of each
    // change, though it starts listening before the folder exists, as on a first run.
    void enableDisableAndDeleteTouchOnlyTheirFiles()
    {
        QVERIFY(!QFileInfo::exists(unitFolder()));
        auto watched = service();
        QSignalSpy changed(watched.get(), &TaskService::tasksChanged);
        auto tasks = service();
        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, dailyTask(m_program), TaskService::Registration::CreateOrUpdate));
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(watched->readTasks().valueOr({}).size(), 1);
        const QString timerPath = unitFolder() + u"/AMPCTL0.timer"_s;
        const QString link = unitFolder() + u"/timers.target.wants/AMPCTL0.timer"_s;
        QCOMPARE(QFileInfo(link).symLinkTarget(), timerPath);
        // A running timer is stopped before the reload, so it never re-plans from its old stamp.
        QCOMPARE(
            systemctlCalls(), QStringList({ u"stop AMPCTL0.timer"_s, u"daemon-reload"_s, u"start AMPCTL0.timer"_s }));

        const QByteArray timer = TestEnvironment::readFile(timerPath);
        const QByteArray unit = TestEnvironment::readFile(unitFolder() + u"/AMPCTL0.service"_s);
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, false));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(tasks->readTasks().valueOr({}).first().enabled, false);

        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, true));
        QCOMPARE(QFileInfo(link).symLinkTarget(), timerPath);
        QCOMPARE(TestEnvironment::readFile(timerPath), timer);
        QCOMPARE(TestEnvironment::readFile(unitFolder() + u"/AMPCTL0.service"_s), unit);
        QCOMPARE(systemctlCalls(),
            QStringList({ u"daemon-reload"_s, u"stop AMPCTL0.timer"_s, u"stop AMPCTL0.timer"_s, u"daemon-reload"_s,
                u"start AMPCTL0.timer"_s }));
        QVERIFY((tasks->setTaskEnabled(u"AMPCTL9"_s, true)).failedWith(Failure::Kind::NotFound));

        // Deleting stops the timer and takes both units and the link.
        changed.clear();
        QVERIFY(tasks->deleteTask(u"AMPCTL0"_s));
        QTRY_VERIFY(!changed.isEmpty());
        QVERIFY(watched->readTasks().valueOr({ RegisteredTask() }).isEmpty());
        QCOMPARE(QDir(unitFolder()).entryList(QDir::Files), QStringList());
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(systemctlCalls(), QStringList({ u"stop AMPCTL0.timer"_s, u"daemon-reload"_s }));
        QVERIFY((tasks->deleteTask(u"AMPCTL0"_s)).failedWith(Failure::Kind::NotFound));
    }

    // A manager that answers but refuses the timer: the user reads why, in systemctl's words.
    void managerRefusalSaysWhy()
    {
        const QString why = u"Failed to start AMPCTL0.timer: Unit AMPCTL0.timer has a bad unit file setting."_s;
        installSystemctl(0, why);
        auto tasks = service();
        const Result<> written
            = tasks->registerTask(u"AMPCTL0"_s, dailyTask(m_program), TaskService::Registration::Create);
        QVERIFY(written.failedWith(Failure::Kind::Failed));
        QCOMPARE(written.failure().message,
            u"the timer AMPCTL0 was written, but the user manager did not start it: systemctl --user start AMPCTL0.timer: "_s
                + why);
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, false));
        const Result<> enabled = tasks->setTaskEnabled(u"AMPCTL0"_s, true);
        QVERIFY(!enabled);
        QVERIFY2(
            enabled.failure().message.endsWith(u"did not start it: systemctl --user start AMPCTL0.timer: "_s + why),
            qPrintable(enabled.failure().message));
        QCOMPARE(tasks->readTasks().valueOr({}).value(0).enabled, true);

        // A timer that cannot be linked says why too.
        QVERIFY(tasks->deleteTask(u"AMPCTL0"_s));
        QVERIFY(QDir(unitFolder() + u"/timers.target.wants"_s).removeRecursively());
        m_env->writeFile(u"config/systemd/user/timers.target.wants"_s, {});
        const Result<> linked
            = tasks->registerTask(u"AMPCTL0"_s, dailyTask(m_program), TaskService::Registration::Create);
        QVERIFY2(linked.failure().message.startsWith(u"the timer AMPCTL0 could not be enabled: the folder "_s),
            qPrintable(linked.failure().message));
    }

    // systemd plans a persistent timer from its stamp file, which outlives the units: with a stale
    // stamp a schedule under a freed name, a rewritten one and a once schedule enabled after its time
    // all ran at once. Every write and re-enable makes the stamp now, whether or not a user manager
    // answers (that a real manager then does not run the timer is the next case's part).
    void timerNeverRunsForTimeBeforeItsWrite()
    {
        installSystemctl(1);
        const QString stamp = stampFolder() + u"/stamp-AMPCTL0.timer"_s;
        const auto stampTime = [&] { return QFileInfo(stamp).lastModified(); };
        const auto daily = timerTask(Kind::Daily, u"2021-01-01T07:00:00"_s, m_program);
        const auto once = timerTask(Kind::Once, u"2021-06-01T07:00:00"_s, m_program);

        QVERIFY(QDir().mkpath(stampFolder()));
        QVERIFY(makeStale(stamp)); // left by an earlier task of that name
        auto tasks = service();
        // Stamps are written at a whole second, so that they never pass for a run.
        const QDateTime before = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, daily, TaskService::Registration::Create));
        QVERIFY(stampTime() >= before);

        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, once, TaskService::Registration::CreateOrUpdate));
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, false));
        QVERIFY(makeStale(stamp));
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, true));
        QVERIFY(stampTime() >= before);
        // Enabling what is enabled keeps the stamp: runs missed while the machine was off still come.
        QVERIFY(makeStale(stamp));
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, true));
        QCOMPARE(stampTime(), kLongAgo);

        // A timer that does not start when available has no stamp; removal leaves none either.
        TaskDefinition notPersistent = daily;
        notPersistent.settings.startWhenAvailable = false;
        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, notPersistent, TaskService::Registration::CreateOrUpdate));
        QVERIFY(!QFileInfo::exists(stamp));
        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, daily, TaskService::Registration::CreateOrUpdate));
        QVERIFY(QFileInfo::exists(stamp));
        QVERIFY(tasks->deleteTask(u"AMPCTL0"_s));
        QVERIFY(!QFileInfo::exists(stamp));
    }

    // Under a real manager: a timer never runs for a time before it was written or enabled, whatever
    // stamp an earlier timer of its name left behind; and since systemd expands "$NAME", "${NAME}" and
    // "%x" in ExecStart= and takes a lone ";" as the end of a command, the service must still hand the
    // program exactly the words the task holds.
    void realManagerRunsNothingBeforeItsTimeAndTheWordsAsWritten()
    {
        qputenv("PATH", m_path); // the real systemctl
        PrivateUserManager manager;
        if (const QString why = manager.start(m_env->path(u"manager.log"_s)); !why.isEmpty())
            QSKIP(qPrintable(why));

        // The "plan switch" every schedule runs, and a control timer that fires at once on its start.
        const QString marker = m_env->path(u"runs"_s);
        const QString controlMarker = m_env->path(u"control-runs"_s);
        const QString program
            = m_env->writeFile(u"program/ampora"_s, u"#!/bin/sh\necho \"$*\" >> '%1'\n"_s.arg(marker).toUtf8());
        m_env->writeFile(u"config/systemd/user/control.service"_s,
            u"[Service]\nType=oneshot\nExecStart=/bin/sh -c 'echo run >> \"%1\"'\n"_s.arg(controlMarker).toUtf8());
        const auto runsOf = [](const QString &file) { return int(TestEnvironment::readFile(file).count('\n')); };
        // A persistent timer with a stale stamp fires as soon as it starts; once the control's run is
        // seen, a timer started before it would have fired too. Then AMPCTL0 was never triggered in
        // this manager (a stamp sets only the real-time half of the last trigger), and is next due
        // after now, unless it is a once timer whose time has passed.
        int controlRuns = 0;
        const auto verifyNotRun = [&] {
            QVERIFY(makeStale(stampFolder() + u"/stamp-control.timer"_s));
            QCOMPARE(PrivateUserManager::systemctl({ u"restart"_s, u"control.timer"_s }).first, 0);
            ++controlRuns;
            QTRY_COMPARE_WITH_TIMEOUT(runsOf(controlMarker), controlRuns, 20000);
            QCOMPARE(PrivateUserManager::property(u"AMPCTL0.timer"_s, u"LastTriggerUSecMonotonic"_s), u"0"_s);
            QCOMPARE(runsOf(marker), 0);
            const QString state = PrivateUserManager::property(u"AMPCTL0.timer"_s, u"SubState"_s);
            if (state == u"elapsed")
                return;
            QCOMPARE(state, u"waiting"_s);
            static const QRegularExpression dated(u"(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})"_s);
            const QString next = PrivateUserManager::property(u"AMPCTL0.timer"_s, u"NextElapseUSecRealtime"_s);
            const QDateTime due = QDateTime::fromString(dated.match(next).captured(1), u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(due > QDateTime::currentDateTime(), qPrintable(next));
        };

        // A new schedule under a name whose last run, long ago, is still stamped.
        auto tasks = service();
        const QString start = u"2021-01-02T00:00:01"_s;
        QDir().mkpath(stampFolder());
        QVERIFY(makeStale(stampFolder() + u"/stamp-AMPCTL0.timer"_s));
        QVERIFY(tasks->registerTask(
            u"AMPCTL0"_s, timerTask(Kind::Daily, start, program), TaskService::Registration::Create));
        QCOMPARE(PrivateUserManager::property(u"AMPCTL0.timer"_s, u"ActiveState"_s), u"active"_s);
        QFile::copy(unitFolder() + u"/AMPCTL0.timer"_s, unitFolder() + u"/control.timer"_s);
        QCOMPARE(PrivateUserManager::systemctl({ u"daemon-reload"_s }).first, 0);
        verifyNotRun();
        if (QTest::currentTestFailed())
            return;

        // Rewritten as a once schedule whose time has passed (the schedule writer refuses one; the
        // service still must not run what an older copy wrote).
        QVERIFY(makeStale(stampFolder() + u"/stamp-AMPCTL0.timer"_s));
        QVERIFY(tasks->registerTask(
            u"AMPCTL0"_s, timerTask(Kind::Once, start, program), TaskService::Registration::CreateOrUpdate));
        verifyNotRun();
        if (QTest::currentTestFailed())
            return;

        // Disabled, and enabled again after its time.
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, false));
        QCOMPARE(PrivateUserManager::property(u"AMPCTL0.timer"_s, u"ActiveState"_s), u"inactive"_s);
        QVERIFY(makeStale(stampFolder() + u"/stamp-AMPCTL0.timer"_s));
        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, true));
        verifyNotRun();
        if (QTest::currentTestFailed())
            return;

        const QString said = m_env->path(u"said"_s);
        const QString odd = m_env->writeFile(
            u"program/50% off/ampora"_s, u"#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n"_s.arg(said).toUtf8());
        QVERIFY(QFile::setPermissions(odd, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QStringList words { u"$HOME"_s, u"${HOME}"_s, u"$$"_s, u"$"_s, u"100%"_s, u"%h"_s, u"a\\b"_s, u"\"q\""_s,
            u"'q'"_s, u";"_s, u"x;y"_s };
        QVERIFY(tasks->registerTask(u"AMPCTL9"_s,
            timerTask(Kind::Daily, u"2090-01-02T00:00:01"_s, odd, 0, words.join(u' ')),
            TaskService::Registration::Create));
        QCOMPARE(PrivateUserManager::systemctl({ u"start"_s, u"AMPCTL9.service"_s }).first, 0);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestEnvironment::readFile(said)), words.join(u'\n') + u'\n', 20000);

        // The package was removed after the schedule was written: every start of the timer is
        // skipped, none fails.
        QCOMPARE(PrivateUserManager::property(u"AMPCTL9.service"_s, u"ConditionResult"_s), u"yes"_s);
        QVERIFY(QFile::remove(odd));
        QCOMPARE(PrivateUserManager::systemctl({ u"start"_s, u"AMPCTL9.service"_s }).first, 0);
        QCOMPARE(PrivateUserManager::property(u"AMPCTL9.service"_s, u"ConditionResult"_s), u"no"_s);
        QCOMPARE(PrivateUserManager::property(u"AMPCTL9.service"_s, u"ActiveState"_s), u"inactive"_s);
    }

    // Boundaries are wall-clock times: a task reads back the same in any zone, and a daily or weekly
    // time the clock skips on its first day is kept (systemd runs it on the other days).
    void wallClockTimesReadBackInEveryZone()
    {
        FakePowerPlatform plans;
        const QString arguments = u"-setactiveplan -"_s + plans.addScheme(u"Power saver"_s).toString().toUpper();
        // Clocks in Berlin go from 02:00 to 03:00 on 2030-03-31, a Sunday.
        const QString skipped = u"2030-03-31T02:30:00"_s;
        const QList<TaskDefinition> written { timerTask(Kind::Once, skipped, m_program, 0, arguments),
            timerTask(Kind::Daily, skipped, m_program, 0, arguments),
            timerTask(Kind::Weekly, skipped, m_program, 1 | 2, arguments) };
        auto tasks = service();
        setZone("Europe/Berlin");
        for (qsizetype i = 0; i < written.size(); ++i) {
            QVERIFY(tasks->registerTask(
                u"AMPCTL"_s + QString::number(i), written.at(i), TaskService::Registration::Create));
        }
        QCOMPARE(nextElapses(unitFolder() + u"/AMPCTL1.timer"_s, 2, u"Europe/Berlin"_s),
            QStringList({ u"2030-04-01 02:30:00"_s, u"2030-04-02 02:30:00"_s }));
        QCOMPARE(nextElapses(unitFolder() + u"/AMPCTL2.timer"_s, 2, u"Europe/Berlin"_s),
            QStringList({ u"2030-04-01 02:30:00"_s, u"2030-04-07 02:30:00"_s }));

        for (const QByteArray zone : { "Europe/Berlin", "UTC", "America/New_York" }) {
            setZone(zone);
            const QList<RegisteredTask> read = tasks->readTasks().valueOr({});
            QCOMPARE(read.size(), written.size());
            for (qsizetype i = 0; i < written.size(); ++i)
                QCOMPARE(read.at(i).definition, std::optional(written.at(i)));
            QCOMPARE(readScheduledTasks(*tasks, plans).size(), written.size());
        }
    }

    // Nothing it cannot store is written, and units that look like its own but are not, hand-made or
    // broken, and another program's are never changed.
    void leavesWhatItCannotStoreOrDidNotWriteAlone()
    {
        auto tasks = service();
        const QList<std::pair<QString, TaskDefinition>> refused { { u"../AMPCTL0"_s, dailyTask(kStoredProgram) },
            { u"AMPCTL0"_s, dailyTask(u"ampora"_s) },
            { u"AMPCTL0"_s, timerTask(Kind::Once, u"2024-02-30T07:03:09"_s, kStoredProgram) } };
        for (const auto &[name, definition] : refused) {
            QVERIFY(tasks->registerTask(name, definition, TaskService::Registration::CreateOrUpdate)
                        .failedWith(Failure::Kind::Invalid));
        }
        QVERIFY(tasks->readTasks().valueOr({ RegisteredTask() }).isEmpty());
        QVERIFY(systemctlCalls().isEmpty());

        // Hand-made and broken units that look like the program's, and another program's timer.
        m_env->writeFile(u"config/systemd/user/AMPCTL0.service"_s, "[Service]\nExecStart=/bin/\xff\n");
        m_env->writeFile(u"config/systemd/user/AMPCTL1.timer"_s, "[Timer]\nOnCalendar=daily\n");
        m_env->writeFile(u"config/systemd/user/backup.timer"_s, "[Timer]\nOnBootSec=5min\n");
        QDir().mkpath(unitFolder() + u"/timers.target.wants"_s);
        QVERIFY(QFile::link(unitFolder() + u"/backup.timer"_s, unitFolder() + u"/timers.target.wants/backup.timer"_s));
        const QStringList before = QDir(unitFolder()).entryList(QDir::Files);
        for (const QString &name : { u"AMPCTL0"_s, u"AMPCTL1"_s, u"backup"_s }) {
            QVERIFY(tasks->deleteTask(name).failedWith(Failure::Kind::Invalid));
            QVERIFY(tasks->setTaskEnabled(name, false).failedWith(Failure::Kind::Invalid));
            QVERIFY(tasks->registerTask(name, dailyTask(m_program), TaskService::Registration::CreateOrUpdate)
                        .failedWith(Failure::Kind::AlreadyExists));
        }
        QCOMPARE(QDir(unitFolder()).entryList(QDir::Files), before);
        QCOMPARE(TestEnvironment::readFile(unitFolder() + u"/AMPCTL0.service"_s),
            QByteArray("[Service]\nExecStart=/bin/\xff\n"));
        QVERIFY(QFileInfo(unitFolder() + u"/timers.target.wants/backup.timer"_s).isSymLink());

        // A new schedule skips every name already on disk, and the reader, though the look-alikes
        // name no plan it knows, deletes none of them (which tasks it lists is TestPlanTasks' part).
        FakePowerPlatform plans;
        plans.addScheme(u"Power saver"_s);
        PlanTaskWriter writer(*tasks, m_program);
        const PlanTaskWriter::Choice choice { 0, PlanTaskWriter::Kind::Daily, QDate(2024, 7, 5), QTime(7, 3, 9), {},
            {} };
        QCOMPARE(writer.write(choice, loadPowerPlans(plans).value()), PlanTaskWriter::Outcome::Registered);
        QCOMPARE(writer.taskName(), u"AMPCTL2"_s);
        QCOMPARE(readScheduledTasks(*tasks, plans).size(), 1);
        QCOMPARE(QDir(unitFolder()).entryList(QDir::Files).size(), before.size() + 2);
    }

    // A unit the program wrote and someone changed by hand, or damaged, may go on switching plans: it
    // stays listed with what is wrong, the watch notices a change made in place, and it can be
    // disabled and removed.
    void damagedUnitsStayListedAndRemovable()
    {
        FakePowerPlatform plans;
        const QString arguments = u"-setactiveplan -"_s + plans.addScheme(u"Power saver"_s).toString().toUpper();
        auto tasks = service();
        for (const QString &name : { u"AMPCTL0"_s, u"AMPCTL1"_s })
            QVERIFY(tasks->registerTask(name, dailyTask(m_program, arguments), TaskService::Registration::Create));
        auto watched = service();
        QSignalSpy changed(watched.get(), &TaskService::tasksChanged);

        QVERIFY(rewriteInPlace(unitFolder() + u"/AMPCTL0.timer"_s, "07:03:09", "09:00:00\nOnCalendar=hourly"));
        QTRY_VERIFY(!changed.isEmpty());
        QVERIFY(rewriteInPlace(unitFolder() + u"/AMPCTL1.service"_s, "Ampora task", "Ampora \xff task"));

        // By plan name: AMPCTL1's service, which names the plan, cannot be read.
        const QList<TimeSchedule> listed = readScheduledTasks(*watched, plans);
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed.at(0).taskName, u"AMPCTL1"_s);
        QVERIFY2(listed.at(0).damage.contains(u"UTF-8"_s), qPrintable(listed.at(0).damage));
        QCOMPARE(listed.at(1).planName, u"Power saver"_s);
        QVERIFY2(listed.at(1).damage.contains(u"OnCalendar"_s), qPrintable(listed.at(1).damage));
        // Edits and new schedules never overwrite them.
        const TaskDefinition asRead = dailyTask(m_program, arguments);
        QVERIFY(tasks->replaceTask(u"AMPCTL0"_s, asRead, asRead).failedWith(Failure::Kind::AlreadyExists));

        QVERIFY(tasks->setTaskEnabled(u"AMPCTL0"_s, false));
        QVERIFY(!QFileInfo(unitFolder() + u"/timers.target.wants/AMPCTL0.timer"_s).isSymLink());
        QVERIFY(tasks->deleteTask(u"AMPCTL0"_s));
        QVERIFY(tasks->deleteTask(u"AMPCTL1"_s));
        QCOMPARE(QDir(unitFolder()).entryList(QDir::Files), QStringList());

        // A service whose timer went is listed too, so it can be removed; a stranger's is not.
        m_env->writeFile(u"config/systemd/user/AMPCTL3.service"_s, "[Unit]\nX-Ampora-Task=true\n");
        m_env->writeFile(u"config/systemd/user/other.service"_s, "[Service]\nExecStart=/bin/true\n");
        const QList<RegisteredTask> left = tasks->readTasks().valueOr({});
        QCOMPARE(left.size(), 1);
        QVERIFY(left.first().damage.contains(u"AMPCTL3.timer is missing"_s));
        QVERIFY(tasks->deleteTask(u"AMPCTL3"_s));
        QCOMPARE(QDir(unitFolder()).entryList(QDir::Files), QStringList({ u"other.service"_s }));
    }

    // An edit checks, under the lock, that its task is still the one it read: a schedule that took the
    // name meanwhile is left as it is, and a removed one is not brought back. A timer that cannot be
    // written leaves no new service behind, and the old one as it was.
    void editsReplaceOnlyTheTaskTheyReadAndWholly()
    {
        auto tasks = service();
        const TaskDefinition opened = dailyTask(m_program);
        const TaskDefinition edited = timerTask(Kind::Weekly, u"2024-07-05T08:00:00"_s, m_program, 2);
        QVERIFY(tasks->registerTask(u"AMPCTL4"_s, opened, TaskService::Registration::Create));
        QVERIFY(tasks->deleteTask(u"AMPCTL4"_s));
        const TaskDefinition other = timerTask(Kind::Once, u"2090-01-01T10:00:00"_s, m_program);
        QVERIFY(tasks->registerTask(u"AMPCTL4"_s, other, TaskService::Registration::Create));
        QVERIFY(tasks->replaceTask(u"AMPCTL4"_s, edited, opened).failedWith(Failure::Kind::AlreadyExists));
        QCOMPARE(tasks->readTasks().valueOr({}).value(0).definition, std::optional(other));

        QVERIFY(tasks->replaceTask(u"AMPCTL4"_s, edited, other));
        QCOMPARE(tasks->readTasks().valueOr({}).value(0).definition, std::optional(edited));
        QVERIFY(tasks->deleteTask(u"AMPCTL4"_s));
        QVERIFY(tasks->replaceTask(u"AMPCTL4"_s, edited, edited).failedWith(Failure::Kind::NotFound));
        QVERIFY(tasks->readTasks().valueOr({ RegisteredTask() }).isEmpty());

        QVERIFY(tasks->registerTask(u"AMPCTL0"_s, dailyTask(m_program), TaskService::Registration::Create));
        const QByteArray service = TestEnvironment::readFile(unitFolder() + u"/AMPCTL0.service"_s);
        // 3000 characters of trigger name make the timer too long for the limit, not the service.
        const FileSizeLimit limit(2048);
        QVERIFY(limit.isSet());
        TaskDefinition tooLong = dailyTask(m_program, u"-hideme"_s);
        tooLong.triggers.first().id = QString(3000, u'x');
        QVERIFY(!tasks->registerTask(u"AMPCTL1"_s, tooLong, TaskService::Registration::Create));
        QVERIFY(!tasks->registerTask(u"AMPCTL0"_s, tooLong, TaskService::Registration::CreateOrUpdate));
        QVERIFY(!QFileInfo::exists(unitFolder() + u"/AMPCTL1.service"_s));
        QCOMPARE(TestEnvironment::readFile(unitFolder() + u"/AMPCTL0.service"_s), service);
    }

    // Several timers reach the user manager in one reload and one start or stop.
    void batchesTellTheManagerOnce()
    {
        auto tasks = service();
        for (const QString &name : { u"AMPCTL0"_s, u"AMPCTL1"_s, u"AMPCTL2"_s })
            QVERIFY(tasks->registerTask(name, dailyTask(m_program), TaskService::Registration::Create));
        m_env->writeFile(u"config/systemd/user/other.timer"_s, "[Timer]\nOnCalendar=daily\n");
        systemctlCalls();

        const QStringList three { u"AMPCTL2"_s, u"AMPCTL0"_s, u"AMPCTL1"_s };
        const TaskService::BatchOutcome disabled = tasks->setTasksEnabled(three, false);
        QVERIFY(disabled.stopped);
        QCOMPARE(disabled.done, three);
        QCOMPARE(systemctlCalls(),
            (QStringList { u"daemon-reload"_s, u"stop AMPCTL2.timer AMPCTL0.timer AMPCTL1.timer"_s }));
        QVERIFY(QDir(unitFolder() + u"/timers.target.wants"_s).isEmpty());

        // Enabled again, each stops before its stamp starts afresh; a task that is not there stops
        // the rest, and the manager hears only of those done.
        const TaskService::BatchOutcome enabled
            = tasks->setTasksEnabled({ u"AMPCTL0"_s, u"AMPCTL9"_s, u"AMPCTL1"_s }, true);
        QVERIFY(enabled.stopped.failedWith(Failure::Kind::NotFound));
        QCOMPARE(enabled.done, QStringList { u"AMPCTL0"_s });
        QCOMPARE(
            systemctlCalls(), (QStringList { u"stop AMPCTL0.timer"_s, u"daemon-reload"_s, u"start AMPCTL0.timer"_s }));

        // Removed up to a unit of another program, which stays with everything after it; one that
        // is gone already counts as removed.
        const TaskService::BatchOutcome removed
            = tasks->deleteTasks({ u"AMPCTL2"_s, u"AMPCTL7"_s, u"AMPCTL0"_s, u"other"_s, u"AMPCTL1"_s });
        QVERIFY(removed.stopped.failedWith(Failure::Kind::Invalid));
        QCOMPARE(removed.done, (QStringList { u"AMPCTL2"_s, u"AMPCTL7"_s, u"AMPCTL0"_s }));
        QCOMPARE(systemctlCalls(), (QStringList { u"stop AMPCTL2.timer AMPCTL0.timer"_s, u"daemon-reload"_s }));
        QCOMPARE(QDir(unitFolder()).entryList(QDir::Files),
            (QStringList { u"AMPCTL1.service"_s, u"AMPCTL1.timer"_s, u"other.timer"_s }));
    }

    void logonEntryIsValidAndSingle()
    {
        m_env->writeFile(u"config/autostart/other.desktop"_s, "[Desktop Entry]\nType=Application\nName=X\nExec=x\n");
        auto tasks = service();
        QVERIFY(createLogonTask(*tasks, m_program, kLogonTaskName, u"-hideme"_s));
        QVERIFY(createLogonTask(*tasks, m_program, kLogonTaskName, u"-hideme"_s));
        const QString entry = autostartFolder() + u"/VantaAmporaStartup.desktop"_s;
        QCOMPARE(QDir(autostartFolder()).entryList(QDir::Files).size(), 2);
        QVERIFY(QString::fromUtf8(TestEnvironment::readFile(entry)).contains(u"\nX-GNOME-Autostart-Delay=180\n"_s));

        QList<RegisteredTask> read = tasks->readTasks().valueOr({});
        QCOMPARE(read.size(), 1);
        QCOMPARE(read.first().name, kLogonTaskName);
        QCOMPARE(read.first().definition->actions.first().arguments, u"-hideme"_s);

        QVERIFY(tasks->setTaskEnabled(kLogonTaskName, false));
        QVERIFY(QString::fromUtf8(TestEnvironment::readFile(entry)).contains(u"\nX-GNOME-Autostart-enabled=false\n"_s));
        read = tasks->readTasks().valueOr({});
        QCOMPARE(read.first().enabled, false);

        QVERIFY(createLogonTask(*tasks, m_program, kLogonTaskName, QString()));
        QCOMPARE(tasks->readTasks().valueOr({}).first().definition->actions.first().arguments, QString());
        QVERIFY(deleteLogonTask(*tasks, kLogonTaskName));
        QVERIFY(!QFile::exists(entry));
        QVERIFY(QFile::exists(autostartFolder() + u"/other.desktop"_s));
        QVERIFY(systemctlCalls().isEmpty());
    }

    void logonEntryStartsWhateverThePathHolds_data()
    {
        QTest::addColumn<QString>("folder");
        // systemd's autostart generator unescapes a word twice and re-escapes '$' and '`' in a way its
        // unit parser does not undo: no entry can carry those or a backslash to it.
        QTest::addColumn<bool>("generatorCarriesIt");
        QTest::newRow("percent signs and equals") << u"50% off/100%%/a=b"_s << true;
        QTest::newRow("quotes, dollar, backslash, backtick")
            << u"it's \"quoted\" $HOME back\\slash `tick` \\$x"_s << false;
        QTest::newRow("blanks and shell characters") << u"  two  blanks\ttab ~ & ; | < > * ? # ( )"_s << true;
    }

    // Desktops look the program up in the raw Exec line before they undo "%%" (GLib, systemd's
    // autostart generator), then start it from the unescaped words: both must find the program.
    void logonEntryStartsWhateverThePathHolds()
    {
        QFETCH(QString, folder);
        QFETCH(bool, generatorCarriesIt);
        const QString program = m_env->path(u"program/"_s + folder + u"/ampora"_s);
        const QString launched = m_env->path(u"launched"_s);
        m_env->writeFile(u"program/"_s + folder + u"/ampora"_s,
            QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '%1'\n").arg(launched).toUtf8());
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QVERIFY(createLogonTask(*service(), program, kLogonTaskName, u"-hideme"_s));
        const QString entry = autostartFolder() + u"/VantaAmporaStartup.desktop"_s;

        const ToolRun validate = runTool(u"desktop-file-validate"_s, { entry });
        QCOMPARE(validate.output, QString());
        QCOMPARE(validate.exitCode, 0);
        // Plasma and Xfce skip an entry whose TryExec program is gone, so a removed package leaves
        // nothing failing at every log-in: KDE's own reader must find the program there.
        const ToolRun tryExec = runTool(
            u"kreadconfig5"_s, { u"--file"_s, entry, u"--group"_s, u"Desktop Entry"_s, u"--key"_s, u"TryExec"_s });
        QCOMPARE(tryExec.output, program);

        if (QStandardPaths::findExecutable(u"gio"_s).isEmpty())
            QSKIP("gio (libglib2.0-bin) is needed to start the entry as GLib desktops do");
        const ToolRun start = runTool(u"gio"_s, { u"launch"_s, entry });
        QCOMPARE(start.output, QString());
        QCOMPARE(start.exitCode, 0);
        QTRY_COMPARE(TestEnvironment::readFile(launched), (program + u"\n-hideme\n"_s).toUtf8());

        // The generator skips an entry whose program it cannot find, without an error status.
        const QString generator = u"/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator"_s;
        if (!generatorCarriesIt)
            return;
        if (!QFileInfo(generator).isExecutable())
            QSKIP("systemd's autostart generator is not installed");
        const QString generated = m_env->path(u"generated"_s);
        QVERIFY(QDir().mkpath(generated));
        // Only the test's own autostart folder, not the system's.
        const QByteArray configDirs = qgetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_env->path(u"nothing"_s)));
        const ToolRun generate = runTool(generator, { generated, generated, generated });
        qputenv("XDG_CONFIG_DIRS", configDirs);
        QCOMPARE(generate.exitCode, 0);
        QVERIFY2(
            QFile::exists(generated + u"/app-VantaAmporaStartup@autostart.service"_s), qPrintable(generate.output));
    }

private:
    QString unitFolder() const { return m_env->path(u"config/systemd/user"_s); }
    QString autostartFolder() const { return m_env->path(u"config/autostart"_s); }
    QString stampFolder() const { return m_env->path(u"data/systemd/timers"_s); }

    // The calls since the last look.
    QStringList systemctlCalls() const
    {
        const QString log = m_env->path(u"systemctl.log"_s);
        QStringList calls = QString::fromUtf8(TestEnvironment::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
        for (QString &call : calls)
            call.remove(u"--user --no-ask-password "_s);
        QFile::remove(log);
        return calls;
    }

    // A systemctl that notes its calls and exits with exitCode; one that refuses every start
    // with the given words on stderr, as systemctl says why.
    void installSystemctl(int exitCode, const QString &startRefusal = {})
    {
        const QString refuse = startRefusal.isEmpty()
            ? QString()
            : u"[ \"$3\" = start ] && printf '%1\\nSee the logs.\\n' >&2 && exit 1\n"_s.arg(startRefusal);
        const QString script = m_env->writeFile(u"bin/systemctl"_s,
            u"#!/bin/sh\necho \"$*\" >> '%1'\n%2exit %3\n"_s.arg(m_env->path(u"systemctl.log"_s), refuse)
                .arg(exitCode)
                .toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(m_env->path(u"bin"_s)) + ':' + m_path);
    }

    std::unique_ptr<SystemdTaskService> service() const
    {
        return std::make_unique<SystemdTaskService>(unitFolder(), autostartFolder(), stampFolder());
    }

    std::unique_ptr<TestEnvironment> m_env;
    QByteArray m_path;
    std::optional<QByteArray> m_zone;
    QString m_program;
};

QTEST_GUILESS_MAIN(TestSystemdTaskService)
#include "TestSystemdTaskService.moc"
