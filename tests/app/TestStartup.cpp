// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the real program as a scheduled task or a user would, against a private XDG folder.
#include "IniFile.h"
#include "InstanceLock.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kBalanced = u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s;
const QString kPerformance = u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}"_s;
const QString kSaver = u"{A1841308-3541-4FAB-BC81-F71556F20B4A}"_s;

// A Unix socket file at path; listening (left open until the test ends) or left behind by a
// display server that has gone (closed at once, so connecting is refused). -1 when it failed.
int socketFile(const QString &path, bool listening)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return -1;
    std::copy(name.cbegin(), name.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0
        || (listening && ::listen(fd, 8) != 0)) {
        ::close(fd);
        return -1;
    }
    if (!listening)
        ::close(fd);
    return fd;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        // A portable copy: its language and settings files sit beside it in the temporary folder.
        const QString build = qEnvironmentVariable("AMPORA_BUILD_DIR");
        m_program = m_env->path(u"program/ampora"_s);
        for (const char *file :
            { "ampora", "ampora-gui.so", "libampora-base.so", "libampora-appliers.so", "ampctleng.ini" })
            QVERIFY(QFile::copy(build + u'/' + QLatin1String(file), m_env->path(u"program/"_s + QLatin1String(file))));
    }

    void switchesWithAndWithoutADisplay()
    {
        QCOMPARE(switchTo(kPerformance, false), 0);
        QCOMPARE(activePlan(), kPerformance);
        // Nothing to switch ends at once too, with a display or without; so does a GUID naming no plan.
        QCOMPARE(switchTo(kPerformance, false), 0);
        for (const QString &plan : { kPerformance, u"{00000000-1111-2222-3333-444444444444}"_s }) {
            QCOMPARE(switchTo(plan), 0);
            QCOMPARE(activePlan(), kPerformance);
        }
        // With the key missing the switch is announced; the program ends once its popup has gone.
        QCOMPARE(switchTo(kSaver, true, 30000), 0);
        QCOMPARE(activePlan(), kSaver);
    }

    void runningCopyTakesOverTheSwitch()
    {
        QProcess *running = start({});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_env->path(u"runtime/ampora/ampora.socket"_s)), 10000);
        QCOMPARE(switchTo(kSaver), 0);
        QCOMPARE(activePlan(), kSaver);
        QCOMPARE(running->state(), QProcess::Running);
        QProcess *plain = start({ u"-hideme"_s });
        QVERIFY(plain->waitForFinished(10000));
        QCOMPARE(plain->exitCode(), 0);
        QCOMPARE(running->state(), QProcess::Running);
        running->terminate();
        running->waitForFinished(10000);
    }

    void quietSwitchNeedsNoWindowModuleNorAWholeStore()
    {
        // A store cut short is set aside and the switch still happens.
        const QByteArray cut = "[Store]\nActive=" + kSaver.toLatin1() + "\n[" + kSaver.toLatin1() + "]\nName=Power sa";
        m_env->writeFile(u"config/ampora/schemes.ini"_s, cut.left(cut.size() - 30));
        // A quiet scheduled switch runs on QtCore alone, without a window; only a start that needs a
        // window loads the module.
        QVERIFY(QFile::remove(m_env->path(u"program/ampora-gui.so"_s)));
        m_env->writeFile(u"program/ampctlset.ini"_s, "[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
        QCOMPARE(switchTo(kPerformance), 0);
        QCOMPARE(activePlan(), kPerformance);
        const QStringList aside = QDir(m_env->path(u"config/ampora"_s)).entryList({ u"schemes.ini.corrupt-*"_s });
        QCOMPARE(aside.size(), 1);
        QCOMPARE(
            TestEnvironment::readFile(m_env->path(u"config/ampora/"_s) + aside.first()), cut.left(cut.size() - 30));
        // A switch to announce whose window cannot be loaded still takes effect.
        m_env->writeFile(u"program/ampctlset.ini"_s, "[Ampora]\n");
        QCOMPARE(switchTo(kSaver), 0);
        QCOMPARE(appliedPlan(), kSaver);

        QProcess *process = start({});
        QVERIFY(process->waitForFinished(10000));
        QCOMPARE(process->exitCode(), 0);
        QVERIFY(process->readAllStandardError().contains("ampora: cannot load the window module"));
    }

    void switchStartedWhileAnotherRunsWaitsItsTurn()
    {
        // Another scheduled switch holds the lock and never listens: the later one must not give up.
        m_env->writeFile(u"program/ampctlset.ini"_s, "[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
        const QString folder = m_env->path(u"runtime/ampora"_s);
        QVERIFY(QDir().mkpath(folder));
        auto other = std::make_unique<InstanceLock>(folder);
        QVERIFY(other->tryAcquire());
        QProcess *later = start({ u"-setactiveplan"_s, u'-' + kSaver });
        QVERIFY(!later->waitForFinished(3000)); // still waiting, where it used to give up and end
        other.reset();
        QVERIFY(later->waitForFinished(10000));
        QCOMPARE(later->exitCode(), 0);
        QCOMPARE(activePlan(), kSaver);
    }

    void switchWithoutAWorkingDisplayIsAppliedAndEndsCleanly()
    {
        // A user manager that kept DISPLAY after log-out, a Wayland socket left behind, a Wayland
        // session (with or without Qt's Wayland plugin, which an announcement does not need): the
        // switch is made and applied, and nothing aborts.
        const QString deadSocket = m_env->path(u"runtime/wayland-dead"_s);
        QVERIFY(socketFile(deadSocket, false) >= 0);
        const int live = socketFile(m_env->path(u"runtime/wayland-live"_s), true);
        QVERIFY(live >= 0);
        const auto closeLive = qScopeGuard([live] { ::close(live); });
        const struct
        {
            QStringList environment;
            QString problem, plan;
        } cases[] = {
            { { u"DISPLAY=:99"_s, u"WAYLAND_DISPLAY="_s + deadSocket },
                u"cannot connect to the Wayland display "_s + deadSocket + u"; cannot connect to the X display :99"_s,
                kSaver },
            { { u"WAYLAND_DISPLAY=wayland-live"_s }, {}, kPerformance },
            { { u"DISPLAY=:9876"_s }, u"cannot connect to the X display :9876"_s, kBalanced },
        };
        for (const auto &c : cases) {
            QProcess *process = start({ u"-setactiveplan"_s, u'-' + c.plan }, false, c.environment);
            QVERIFY(process->waitForFinished(10000));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(process->exitCode(), 0);
            QCOMPARE(QString::fromLocal8Bit(process->readAllStandardError()).trimmed(),
                c.problem.isEmpty() ? QString() : u"ampora: Window Creation fails: "_s + c.problem);
            QCOMPARE(activePlan(), c.plan);
            QCOMPARE(appliedPlan(), c.plan);
        }
    }

    void switchWithoutAPrivateRuntimeFolderHappensAtOnce()
    {
        // The session's runtime folder is open to everyone and the fallback in the cache cannot be
        // used: no running copy can be reached, so there is nothing to wait for or hand over to.
        const QString runtime = m_env->path(u"open-runtime"_s);
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(::chmod(QFile::encodeName(runtime).constData(), 0777) == 0);
        const QString cache = m_env->path(u"cache"_s);
        const QString fallback = cache + u"/ampora/runtime"_s;
        if (::getuid() == 0) {
            QVERIFY(QDir().mkpath(fallback)); // made by another user
            QVERIFY(::chown(QFile::encodeName(fallback).constData(), 65534, 65534) == 0);
        } else {
            QVERIFY(QDir().mkpath(cache + u"/ampora"_s) && QFile::link(runtime, fallback));
        }
        QProcess *process = start({ u"-setactiveplan"_s, u'-' + kSaver }, true,
            { u"XDG_RUNTIME_DIR="_s + runtime, u"XDG_CACHE_HOME="_s + cache });
        QVERIFY(process->waitForFinished(10000)); // it used to wait half a minute and switch nothing
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(activePlan(), kSaver);
        QCOMPARE(appliedPlan(), kSaver);
        const QString lines = QString::fromLocal8Bit(process->readAllStandardError());
        QVERIFY2(lines.contains(u"ampora: no private runtime folder can be used, so the plan is switched here without "
                                "asking a running copy\n"_s),
            qPrintable(lines));
    }

    void switchLoadsTheAppliersOnlyWhereSomethingMayAnswer()
    {
        m_env->writeFile(u"program/ampctlset.ini"_s, "[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
        // What the switch recorded of each setting, and the libraries it loaded (the dynamic loader
        // names each one it maps).
        const auto switchWith = [this](const QString &plan, const QString &desktop) {
            QProcess *process = start({ u"-setactiveplan"_s, u'-' + plan }, false,
                { u"DBUS_SESSION_BUS_ADDRESS="_s, u"XDG_CURRENT_DESKTOP="_s + desktop, u"LD_DEBUG=files"_s });
            const bool ended = process->waitForFinished(10000) && process->exitCode() == 0;
            const IniFile status = IniFile::load(m_env->path(u"state/ampora/status.ini"_s));
            QStringList settings;
            for (const QString &key : status.keys(u"Settings"_s))
                settings.append(key + u'=' + status.value(u"Settings"_s, key));
            return std::tuple(ended, settings, QString::fromLocal8Bit(process->readAllStandardError()));
        };
        // No session bus, no system bus, no desktop: nothing could take the values, so neither D-Bus
        // nor GIO is loaded, and each setting is recorded as when no applier answers.
        const auto [ended, withoutBus, loaded] = switchWith(kSaver, {});
        QVERIFY(ended);
        QCOMPARE(appliedPlan(), kSaver);
        for (const QString &library : { u"libQt6DBus"_s, u"libgio"_s, u"libampora-appliers"_s })
            QVERIFY2(!loaded.contains(library), qPrintable(library));
        QVERIFY(withoutBus.contains(u"performance-profile.detail=power-profiles-daemon is not running"_s));
        // A desktop that names itself may take values through its files: the appliers are loaded and
        // answer, here as no desktop they know, where the running copy's own applier would act.
        const auto [endedWithDesktop, withDesktop, loadedWithDesktop] = switchWith(kPerformance, u"Unknown"_s);
        QVERIFY(endedWithDesktop);
        QCOMPARE(appliedPlan(), kPerformance);
        QVERIFY(loadedWithDesktop.contains(u"libampora-appliers.so"_s));
        QCOMPARE(withDesktop.size(), withoutBus.size());
        QVERIFY(withDesktop.contains(u"display-off=needs-ampora-running"_s));
        // Without the appliers' library the switch still takes place and says why nothing was applied.
        QVERIFY(QFile::remove(m_env->path(u"program/libampora-appliers.so"_s)));
        const auto [endedWithoutLibrary, withoutLibrary, said] = switchWith(kSaver, u"Unknown"_s);
        QVERIFY(endedWithoutLibrary);
        QCOMPARE(appliedPlan(), kSaver);
        QVERIFY(said.contains(
            u"ampora: cannot load the appliers' library, so the plan's values reach no desktop or service"_s));
        QCOMPARE(withoutLibrary, withoutBus);
    }

private:
    // environment holds NAME=value entries set on top of the chosen session.
    QProcess *start(const QStringList &arguments, bool graphical = true, const QStringList &environment = {})
    {
        auto *process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        if (graphical)
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        else
            env.remove(u"QT_QPA_PLATFORM"_s);
        for (const QString &entry : environment)
            env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        process->setProcessEnvironment(env);
        process->start(m_program, arguments);
        process->waitForStarted();
        return process;
    }

    // Runs a switch to the plan and gives its exit code, -1 if it did not end in time.
    int switchTo(const QString &plan, bool graphical = true, int timeoutMs = 10000)
    {
        QProcess *process = start({ u"-setactiveplan"_s, u'-' + plan }, graphical);
        return process->waitForFinished(timeoutMs) ? process->exitCode() : -1;
    }

    QString activePlan() const
    {
        return IniFile::load(m_env->path(u"config/ampora/schemes.ini"_s)).value(u"Store"_s, u"Active"_s);
    }

    // The plan whose values were applied last, as the state folder records it.
    QString appliedPlan() const
    {
        return IniFile::load(m_env->path(u"state/ampora/status.ini"_s)).value(u"Status"_s, u"Plan"_s);
    }

    std::unique_ptr<TestEnvironment> m_env;
    QString m_program;
};

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
