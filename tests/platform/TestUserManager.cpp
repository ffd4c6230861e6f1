// Schedules under a real systemd user manager: a timer never runs for a time before it was written
// or enabled, whatever stamp an earlier timer of its name left behind, and the service starts the
// program with exactly the words the task holds. The manager is the test's own, in a fresh control
// group with private namespaces and /run/systemd; that takes root, and the test is skipped
// elsewhere with the reason.
#include "CommandLine.h"
#include "FakePowerPlatform.h"
#include "PlanCatalogue.h"
#include "PlanTaskWriter.h"
#include "SystemdTaskService.h"
#include "TestEnvironment.h"
#include "ToolRun.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <memory>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

using CommandLine::setActivePlanArguments;
using PlanCatalogue::loadPowerPlans;

using namespace Qt::Literals::StringLiterals;

namespace {

// Moves itself into the fresh group given as $1, then runs the manager ($2) inside namespaces
// where that group is the root and /run/systemd says the machine runs systemd.
const QString kLaunch = uR"(echo $$ > "$1/cgroup.procs" || exit 1
exec unshare --mount --cgroup --propagation private sh -c '
    if [ -d /run/systemd ]; then mount -t tmpfs tmpfs /run/systemd; else mount -t tmpfs tmpfs /run; fi &&
    mkdir -p /run/systemd/system && mount -t cgroup2 cgroup2 /sys/fs/cgroup &&
    exec "$0" --user --unit=timers.target --log-target=console' "$2")"_s;

ToolRun systemctl(const QStringList &arguments)
{
    return runTool(u"systemctl"_s, QStringList { u"--user"_s, u"--no-ask-password"_s } + arguments);
}

QString unitProperty(const QString &unit, const QString &property)
{
    return systemctl({ u"show"_s, u"-P"_s, property, unit }).output;
}

// The unified (cgroup2) hierarchy's mount point and this process's group in it.
std::optional<QString> ownControlGroup()
{
    QFile mounts(u"/proc/self/mountinfo"_s);
    QFile groups(u"/proc/self/cgroup"_s);
    if (!mounts.open(QIODevice::ReadOnly) || !groups.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString mountPoint;
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (separator > 4 && separator + 1 < fields.size() && fields.at(separator + 1) == "cgroup2")
            mountPoint = QFile::decodeName(fields.at(4));
    }
    for (const QByteArray &line : groups.readAll().split('\n')) {
        if (line.startsWith("0::") && !mountPoint.isEmpty())
            return QDir::cleanPath(mountPoint + u'/' + QFile::decodeName(line.mid(3)));
    }
    return std::nullopt;
}

} // namespace

class TestUserManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void timerNeverRunsForTimeBeforeItsWrite();
    void serviceGivesTheProgramItsWordsAsWritten();
    void serviceOfARemovedProgramIsSkippedNotFailed();

private:
    QString unitFolder() const { return m_env->path(u"config/systemd/user"_s); }
    QString stampPath(const QString &timer) const { return m_env->path(u"data/systemd/timers/stamp-"_s + timer); }
    bool makeStale(const QString &timer) const;
    int runsOf(const QString &marker) const;
    void runControl();
    void verifyNotRun(const QString &timer) const;

    std::unique_ptr<TestEnvironment> m_env;
    QProcess m_manager;
    QString m_group;
    QString m_marker;
    QString m_controlMarker;
    int m_controlRuns = 0;
};

void TestUserManager::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
    if (geteuid() != 0)
        QSKIP("a private user manager needs root, for its own control group and namespaces");
    QString manager;
    for (const QString &path : { u"/usr/lib/systemd/systemd"_s, u"/lib/systemd/systemd"_s }) {
        if (QFileInfo(path).isExecutable())
            manager = path;
    }
    if (manager.isEmpty() || QStandardPaths::findExecutable(u"unshare"_s).isEmpty()
        || QStandardPaths::findExecutable(u"systemctl"_s).isEmpty()) {
        QSKIP("systemd, systemctl and unshare are needed to run a user manager");
    }
    const std::optional<QString> parent = ownControlGroup();
    if (!parent)
        QSKIP("no cgroup2 hierarchy to give the user manager a group of its own");
    m_group = *parent + u"/ampora-test-"_s + QString::number(QCoreApplication::applicationPid());
    if (!QDir().mkdir(m_group)) {
        m_group.clear();
        QSKIP("cannot make a control group for the user manager");
    }

    const QString log = m_env->path(u"manager.log"_s);
    m_manager.setProcessChannelMode(QProcess::MergedChannels);
    m_manager.setStandardOutputFile(log);
    // The manager goes with the test, even when the test is killed.
    m_manager.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_manager.start(u"/bin/sh"_s, { u"-c"_s, kLaunch, u"sh"_s, m_group, manager });
    const QString socket = m_env->path(u"runtime/systemd/private"_s);
    const auto settled = [&] {
        if (m_manager.state() == QProcess::NotRunning)
            return true; // gave up
        if (!QFileInfo::exists(socket))
            return false;
        const QString state = systemctl({ u"show"_s, u"-P"_s, u"SystemState"_s }).output;
        return state == u"running" || state == u"degraded";
    };
    if (!QTest::qWaitFor(settled, 20000) || m_manager.state() == QProcess::NotRunning) {
        const QString why = QString::fromUtf8(TestEnvironment::readFile(log)).trimmed().section(u'\n', -3);
        QSKIP(qPrintable(u"no user manager could start here: "_s + (why.isEmpty() ? u"no answer"_s : why)));
    }

    // The "plan switch" every schedule runs, and a control timer that fires at once on its start.
    m_marker = m_env->path(u"runs"_s);
    m_controlMarker = m_env->path(u"control-runs"_s);
    const QString program
        = m_env->writeFile(u"program/ampora"_s, u"#!/bin/sh\necho \"$*\" >> '%1'\n"_s.arg(m_marker).toUtf8());
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_env->writeFile(u"config/systemd/user/control.service"_s,
        u"[Service]\nType=oneshot\nExecStart=/bin/sh -c 'echo run >> \"%1\"'\n"_s.arg(m_controlMarker).toUtf8());
}

void TestUserManager::cleanupTestCase()
{
    if (m_manager.state() != QProcess::NotRunning) {
        systemctl({ u"exit"_s });
        if (!m_manager.waitForFinished(20000)) {
            m_manager.kill();
            m_manager.waitForFinished();
        }
    }
    if (m_group.isEmpty())
        return;
    // The manager's own groups go with it; deepest first.
    QStringList groups { m_group };
    for (qsizetype i = 0; i < groups.size(); ++i) {
        for (const QString &child : QDir(groups.at(i)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            groups.append(groups.at(i) + u'/' + child);
    }
    for (auto it = groups.crbegin(); it != groups.crend(); ++it)
        QDir().rmdir(*it);
}

bool TestUserManager::makeStale(const QString &timer) const
{
    QDir().mkpath(QFileInfo(stampPath(timer)).absolutePath());
    QFile stamp(stampPath(timer));
    return stamp.open(QIODevice::ReadWrite)
        && stamp.setFileTime(QDateTime(QDate(2021, 1, 1), QTime(0, 0), Qt::UTC), QFileDevice::FileModificationTime);
}

int TestUserManager::runsOf(const QString &marker) const
{
    return int(TestEnvironment::readFile(marker).count('\n'));
}

// A persistent timer with a stale stamp fires as soon as it starts; once its run is seen, a timer
// started before it would have fired too.
void TestUserManager::runControl()
{
    QVERIFY(makeStale(u"control.timer"_s));
    QCOMPARE(systemctl({ u"restart"_s, u"control.timer"_s }).exitCode, 0);
    ++m_controlRuns;
    QTRY_COMPARE_WITH_TIMEOUT(runsOf(m_controlMarker), m_controlRuns, 20000);
}

// Never triggered in this manager (a stamp sets only the real-time half of the last trigger), and
// next due after now.
void TestUserManager::verifyNotRun(const QString &timer) const
{
    QCOMPARE(unitProperty(timer, u"LastTriggerUSecMonotonic"_s), u"0"_s);
    QCOMPARE(runsOf(m_marker), 0);
    static const QRegularExpression dated(u"(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})"_s);
    const QString next = unitProperty(timer, u"NextElapseUSecRealtime"_s);
    const QString state = unitProperty(timer, u"SubState"_s);
    if (state == u"elapsed")
        return; // a once timer whose time has passed: nothing is due
    QCOMPARE(state, u"waiting"_s);
    const QDateTime due = QDateTime::fromString(dated.match(next).captured(1), u"yyyy-MM-dd HH:mm:ss"_s);
    QVERIFY2(due > QDateTime::currentDateTime(), qPrintable(next));
}

void TestUserManager::timerNeverRunsForTimeBeforeItsWrite()
{
    FakePowerPlatform plans;
    plans.addScheme(u"Power saver"_s);
    SystemdTaskService tasks(unitFolder(), m_env->path(u"config/autostart"_s), m_env->path(u"data/systemd/timers"_s));
    PlanTaskWriter writer(tasks, m_env->path(u"program/ampora"_s));
    PlanTaskWriter::Choice choice { 0, PlanTaskWriter::Kind::Daily, QDate(2021, 1, 2), QTime(0, 0, 1), {}, {} };

    // A new schedule under a name whose last run, long ago, is still stamped.
    QVERIFY(makeStale(u"AMPCTL0.timer"_s));
    QCOMPARE(writer.write(choice, loadPowerPlans(plans).value()), PlanTaskWriter::Outcome::Registered);
    QCOMPARE(writer.taskName(), u"AMPCTL0"_s);
    QCOMPARE(unitProperty(u"AMPCTL0.timer"_s, u"ActiveState"_s), u"active"_s);
    QFile::copy(unitFolder() + u"/AMPCTL0.timer"_s, unitFolder() + u"/control.timer"_s);
    QCOMPARE(systemctl({ u"daemon-reload"_s }).exitCode, 0);
    runControl();
    verifyNotRun(u"AMPCTL0.timer"_s);
    if (QTest::currentTestFailed())
        return;

    // Rewritten as a once schedule whose time has passed (the schedule writer refuses one; the
    // service still must not run what an older copy wrote).
    QVERIFY(makeStale(u"AMPCTL0.timer"_s));
    const TaskDefinition passed = PlanTaskWriter::definition(PlanTaskWriter::Kind::Once,
        m_env->path(u"program/ampora"_s), setActivePlanArguments(loadPowerPlans(plans).value().at(0).planGuid),
        PlanTaskWriter::startBoundary(choice.date, choice.time), 0);
    QVERIFY(tasks.registerTask(u"AMPCTL0"_s, passed, TaskService::Registration::CreateOrUpdate));
    runControl();
    verifyNotRun(u"AMPCTL0.timer"_s);
    if (QTest::currentTestFailed())
        return;

    // Disabled, and enabled again after its time.
    QVERIFY(tasks.setTaskEnabled(u"AMPCTL0"_s, false));
    QCOMPARE(unitProperty(u"AMPCTL0.timer"_s, u"ActiveState"_s), u"inactive"_s);
    QVERIFY(makeStale(u"AMPCTL0.timer"_s));
    QVERIFY(tasks.setTaskEnabled(u"AMPCTL0"_s, true));
    runControl();
    verifyNotRun(u"AMPCTL0.timer"_s);
}

// systemd expands "$NAME", "${NAME}" and "%x" in ExecStart= and takes a lone ";" as the end of a
// command: the service must still hand the program exactly the words the task holds.
void TestUserManager::serviceGivesTheProgramItsWordsAsWritten()
{
    const QString said = m_env->path(u"said"_s);
    const QString program = m_env->writeFile(
        u"program/50% off/ampora"_s, u"#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n"_s.arg(said).toUtf8());
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QStringList words { u"$HOME"_s, u"${HOME}"_s, u"$$"_s, u"$"_s, u"100%"_s, u"%h"_s, u"a\\b"_s, u"\"q\""_s,
        u"'q'"_s, u";"_s, u"x;y"_s };
    SystemdTaskService tasks(unitFolder(), m_env->path(u"config/autostart"_s), m_env->path(u"data/systemd/timers"_s));
    QVERIFY(tasks.registerTask(u"AMPCTL9"_s,
        PlanTaskWriter::definition(PlanTaskWriter::Kind::Daily, program, words.join(u' '), u"2090-01-02T00:00:01"_s, 0),
        TaskService::Registration::Create));
    const ToolRun started = systemctl({ u"start"_s, u"AMPCTL9.service"_s });
    QVERIFY2(started.exitCode == 0, qPrintable(started.output));
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestEnvironment::readFile(said)), words.join(u'\n') + u'\n', 20000);
}

// The package was removed after the schedule was written: every start of the timer is skipped,
// none fails.
void TestUserManager::serviceOfARemovedProgramIsSkippedNotFailed()
{
    const QString program = m_env->writeFile(u"program/100% gone/ampora"_s, "#!/bin/sh\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    SystemdTaskService tasks(unitFolder(), m_env->path(u"config/autostart"_s), m_env->path(u"data/systemd/timers"_s));
    QVERIFY(tasks.registerTask(u"AMPCTL8"_s,
        PlanTaskWriter::definition(PlanTaskWriter::Kind::Daily, program, {}, u"2090-01-02T00:00:01"_s, 0),
        TaskService::Registration::Create));
    QCOMPARE(systemctl({ u"start"_s, u"AMPCTL8.service"_s }).exitCode, 0);
    QCOMPARE(unitProperty(u"AMPCTL8.service"_s, u"ConditionResult"_s), u"yes"_s);

    QVERIFY(QFile::remove(program));
    const ToolRun started = systemctl({ u"start"_s, u"AMPCTL8.service"_s });
    QVERIFY2(started.exitCode == 0, qPrintable(started.output));
    QCOMPARE(unitProperty(u"AMPCTL8.service"_s, u"ConditionResult"_s), u"no"_s);
    QCOMPARE(unitProperty(u"AMPCTL8.service"_s, u"ActiveState"_s), u"inactive"_s);
}

QTEST_GUILESS_MAIN(TestUserManager)
#include "TestUserManager.moc"
