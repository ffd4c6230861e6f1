// SPDX-License-Identifier: GPL-3.0-or-later
// What one user action costs on a large data set, with real backends: a scheme store of 1,003
// plans, and 1,000 schedules as systemd timers that a private systemd user manager has loaded (it
// takes root, a cgroup2 hierarchy and unshare, as the user manager test does; without them the
// timers are only files and the figures say so). Under the offscreen platform it prints:
//  - saving a plan in the plan editor (a changed name; median of 11 saves);
//  - removing 100 selected schedules on the scheduled plans page;
//  - deleting 1,000 selected plans on the plan list page;
// each with the longest time the window went without handling an event meanwhile (a 1 ms timer
// measures it). With --one-by-one it also times the same changes made one item at a time through
// the single calls, as the pages made them before (5 schedules and 20 plans, scaled up); with
// --save-only it only saves in the editor, without timers.
#include "BenchSupport.h"
#include "DataLock.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PlanEditorDialog.h"
#include "PlanListPage.h"
#include "PlanTaskWriter.h"
#include "PlatformServices.h"
#include "PleaseWaitDialog.h"
#include "ReportList.h"
#include "SchedulesPage.h"
#include "SharedStrings.h"
#include "TaskReader.h"
#include "TaskService.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

using PlanCatalogue::loadPowerPlans;
using Program::currentExecutableFile;
using Program::resolveSharedPaths;
using Program::sharedStrings;

namespace {

constexpr int kPlans = 1003; // the three default plans, which the schedules use, and 1,000 more
constexpr int kTimers = 1000;
constexpr int kRemoved = 100;

// Moves itself into the fresh group given as $1, then runs the manager ($2) inside namespaces
// where that group is the root and /run/systemd says the machine runs systemd.
const QString kLaunch = QStringLiteral(R"(echo $$ > "$1/cgroup.procs" || exit 1
exec unshare --mount --cgroup --propagation private sh -c '
    if [ -d /run/systemd ]; then mount -t tmpfs tmpfs /run/systemd; else mount -t tmpfs tmpfs /run; fi &&
    mkdir -p /run/systemd/system && mount -t cgroup2 cgroup2 /sys/fs/cgroup &&
    exec "$0" --user --unit=timers.target --log-target=console' "$2")");

std::optional<QString> ownControlGroup()
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    QFile groups(QStringLiteral("/proc/self/cgroup"));
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

QString systemctlSays(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("systemctl"), QStringList { QStringLiteral("--user") } + arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

qsizetype loadedTimers()
{
    const QString timers = systemctlSays({ QStringLiteral("list-timers"), QStringLiteral("--all"),
        QStringLiteral("--no-legend"), QStringLiteral("--no-pager") });
    return timers.isEmpty() ? 0 : timers.count(u'\n') + 1;
}

// A private user manager that has loaded the unit folder, or why none could start.
class UserManager
{
public:
    QString start(const QString &runtime)
    {
        const QString manager = QStringLiteral("/usr/lib/systemd/systemd");
        const std::optional<QString> parent = ownControlGroup();
        if (geteuid() != 0 || !QFileInfo(manager).isExecutable() || !parent)
            return QStringLiteral("no private user manager here (it needs root, systemd and cgroup2)");
        m_group = *parent + QStringLiteral("/ampora-bench-") + QString::number(QCoreApplication::applicationPid());
        if (!QDir().mkdir(m_group))
            return QStringLiteral("no control group for a user manager");
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(
            QStringLiteral("/bin/sh"), { QStringLiteral("-c"), kLaunch, QStringLiteral("sh"), m_group, manager });
        QElapsedTimer waited;
        waited.start();
        while (m_process.state() != QProcess::NotRunning && waited.elapsed() < 120000) {
            const QString state = QFileInfo::exists(runtime + QStringLiteral("/systemd/private"))
                ? systemctlSays({ QStringLiteral("show"), QStringLiteral("-P"), QStringLiteral("SystemState") })
                : QString();
            if (state == u"running" || state == u"degraded")
                return {};
            QThread::msleep(100);
        }
        return QStringLiteral("the private user manager did not start");
    }

    ~UserManager()
    {
        if (m_process.state() != QProcess::NotRunning) {
            systemctlSays({ QStringLiteral("exit") });
            if (!m_process.waitForFinished(20000))
                m_process.kill();
            m_process.waitForFinished();
        }
        if (m_group.isEmpty())
            return;
        QStringList groups { m_group };
        for (qsizetype i = 0; i < groups.size(); ++i) {
            for (const QString &child : QDir(groups.at(i)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                groups.append(groups.at(i) + u'/' + child);
        }
        for (auto it = groups.crbegin(); it != groups.crend(); ++it)
            QDir().rmdir(*it);
    }

private:
    QProcess m_process;
    QString m_group;
};

// 1,000 timers of one plan, written before any manager runs, so that none is reloaded for each:
// the first as the schedule dialog writes it, the others as copies of it.
void writeTimers(TaskService &tasks, const PowerPlanList &plans)
{
    PlanTaskWriter writer(tasks, QStringLiteral("/usr/bin/ampora"));
    if (writer.write({ 1, PlanTaskWriter::Kind::Daily, QDate(2030, 1, 1), QTime(8, 0), {}, {} }, plans)
        != PlanTaskWriter::Outcome::Registered)
        qFatal("cannot write a timer");
    const TaskDefinition definition = *tasks.readTasks().value().constFirst().definition;
    for (int i = 1; i < kTimers; ++i) {
        if (!tasks.registerTask(QStringLiteral("AMPCTL%1").arg(i), definition, TaskService::Registration::Create))
            qFatal("cannot write timer %d", i);
    }
}

// The wall time of an action and the longest time the window went without handling an event.
struct Timing
{
    double ms = 0;
    double stallMs = 0;
};

Timing timeAction(
    const std::function<void()> &action, const std::function<bool()> &done = [] { return true; })
{
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    double longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    ticker.start();
    QCoreApplication::processEvents();
    clock.start();
    sinceTick.start();
    action();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    longestStall = std::max(longestStall, double(sinceTick.nsecsElapsed()) / 1e6);
    return { double(clock.nsecsElapsed()) / 1e6, longestStall };
}

template <typename Page> void waitForReload(Page &page)
{
    while (page.isReloading() || !page.isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// Selects count rows from first on as the user does: a click on the first, then Shift+Down.
void selectRows(const Page &page, int first, int count)
{
    ReportList *list = page.findChild<ReportList *>();
    list->scrollToItem(list->topLevelItem(first));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(first)).center());
    for (int row = 1; row < count; ++row)
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    if (list->selectedItems().size() != count)
        qFatal("%d rows are selected instead of %d", int(list->selectedItems().size()), count);
}

Timing editorSave(const Services &services, const QUuid &plan)
{
    QList<Timing> saves;
    for (int i = 0; i < 11; ++i) {
        PlanEditorDialog editor(PlanEditorDialog::Mode::Edit, plan, services);
        editor.show();
        QCoreApplication::processEvents();
        editor.findChild<QLineEdit *>(QStringLiteral("nameBox"))->setText(QStringLiteral("Plan edited %1").arg(i));
        auto *save = editor.findChild<PictureButton *>(QStringLiteral("saveButton"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        saves.append(timeAction([&] { QTest::keyClick(save, Qt::Key_Space); }));
    }
    std::sort(saves.begin(), saves.end(), [](const Timing &a, const Timing &b) { return a.ms < b.ms; });
    return saves.at(saves.size() / 2);
}

void report(const char *what, const Timing &timing)
{
    std::printf("%s: %.0f ms; longest time the window went without handling events: %.1f ms\n", what, timing.ms,
        timing.stallMs);
    std::fflush(stdout);
}

// The single calls the pages made before they batched: per schedule a delete that reloads the
// manager; per plan the data lock, a fresh look at every schedule and a delete of its own.
void oneByOne(const Services &services, const QList<QUuid> &plans)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = kTimers - 5; i < kTimers; ++i)
        (void)services.tasks.deleteTask(QStringLiteral("AMPCTL%1").arg(i));
    const double perSchedule = double(clock.nsecsElapsed()) / 1e6 / 5;
    clock.restart();
    for (int i = kPlans - 20; i < kPlans; ++i) {
        const Result<DataLock> lock = DataLock::acquireForSeveral();
        (void)readScheduledTasks(services.tasks, services.platform);
        (void)readNetworkSchedules(services.platform);
        (void)services.platform.deleteScheme(plans.at(i));
    }
    const double perPlan = double(clock.nsecsElapsed()) / 1e6 / 20;
    std::printf("One at a time, on the window's thread: %.0f ms a schedule (%d schedules: %.1f s), %.0f ms a plan "
                "(1,000 plans: %.1f s)\n",
        perSchedule, kRemoved, perSchedule * kRemoved / 1000, perPlan, perPlan);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    const auto folder = [&](const char *name) { return home.filePath(QString::fromLatin1(name)); };
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", folder("config").toUtf8());
    qputenv("XDG_DATA_HOME", folder("data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder("runtime").toUtf8());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QDir().mkpath(folder("runtime"));
    QFile::setPermissions(folder("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QApplication app(argc, argv);
    const bool perItem = app.arguments().contains(QStringLiteral("--one-by-one"));
    const bool saveOnly = app.arguments().contains(QStringLiteral("--save-only"));
    SharedStrings &strings = sharedStrings();
    resolveSharedPaths(strings, currentExecutableFile());
    const QList<QUuid> plans = buildSchemeStore(strings.schemeStoreFile, kPlans);

    const PlatformServices backends(strings);
    const Services services = backends.services();
    if (saveOnly) {
        report("Saving a plan in the plan editor, store of 1,003 plans (median of 11)",
            editorSave(services, plans.at(500)));
        return 0;
    }
    writeTimers(services.tasks, loadPowerPlans(services.platform).value());
    UserManager manager;
    const QString noManager = manager.start(folder("runtime"));
    if (noManager.isEmpty()) {
        std::printf("A private user manager runs, with %lld timers loaded\n", qlonglong(loadedTimers()));
    } else {
        std::printf("Without a user manager: %s\n", qPrintable(noManager));
    }
    std::fflush(stdout);

    report(
        "Saving a plan in the plan editor, store of 1,003 plans (median of 11)", editorSave(services, plans.at(500)));
    if (perItem)
        oneByOne(services, plans);

    PleaseWaitDialog pleaseWait;
    const PageServices pageServices { services, &pleaseWait };
    {
        SchedulesPage page(pageServices);
        page.resize(Page::kFrameSize);
        page.show();
        waitForReload(page);
        ReportList *list = page.findChild<ReportList *>();
        const int before = list->topLevelItemCount();
        selectRows(page, 0, kRemoved);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        const Timing removal
            = timeAction([&] { page.findChild<QAction *>(QStringLiteral("removeSchedules"))->trigger(); },
                [&] { return list->topLevelItemCount() <= before - kRemoved; });
        report(qPrintable(QStringLiteral("Removing %1 selected schedules of %2").arg(kRemoved).arg(before)), removal);
        if (noManager.isEmpty())
            std::printf("The user manager has %lld timers loaded afterwards\n", qlonglong(loadedTimers()));
    }
    {
        PlanListPage page(pageServices);
        page.resize(Page::kFrameSize);
        page.show();
        waitForReload(page);
        ReportList *list = page.findChild<ReportList *>();
        // By name: Balanced (active), High performance (scheduled), then the others ("Plan ...") and
        // Power saver.
        list->sortRows(0, Qt::AscendingOrder);
        const int selected = list->topLevelItemCount() - 3;
        selectRows(page, 2, selected);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        const Timing deletion = timeAction([&] { page.findChild<QAction *>(QStringLiteral("deletePlan"))->trigger(); },
            [&] { return list->topLevelItemCount() <= 3; });
        report(
            qPrintable(QStringLiteral("Deleting %1 selected plans of %2").arg(selected).arg(plans.size())), deletion);
    }
    return 0;
}
