// Starts the real program as a scheduled task or a user would, against a private XDG folder.
#include "IniFile.h"
#include "InstanceLock.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kBalanced = QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}");
const QString kPerformance = QStringLiteral("{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}");
const QString kSaver = QStringLiteral("{A1841308-3541-4FAB-BC81-F71556F20B4A}");

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void noGraphicalSessionStillSwitches();
    void announcedSwitchEndsWhenPopupIsClosedByTimeout();
    void runningCopyTakesOverTheSwitch();
    void concurrentSwitchesNeverCorruptTheStore();
    void truncatedStoreIsSetAsideAndProgramStarts();
    void quietSwitchNeedsNoWindowModule();
    void switchStartedWhileAnotherRunsWaitsItsTurn();
    void unreachableDisplayEndsCleanly();

private:
    // Without a graphical session, display names a display to reach, as NAME=value.
    QProcess *start(const QStringList &arguments, bool graphical = true, const QString &runtimeFolder = {},
        const QString &display = {});
    // Runs a switch to the plan and gives its exit code, -1 if it did not end in time.
    int switchTo(const QString &plan, bool graphical = true, int timeoutMs = 10000);
    QString activePlan() const;
    void writeSettings(const QByteArray &bytes);

    std::unique_ptr<TestEnvironment> m_env;
    QString m_program;
};

void TestStartup::init()
{
    m_env = std::make_unique<TestEnvironment>();
    // A portable copy: its language and settings files sit beside it in the temporary folder.
    const QString build = qEnvironmentVariable("AMPORA_BUILD_DIR");
    m_program = m_env->path(QStringLiteral("program/ampora"));
    for (const char *file : { "ampora", "ampora-gui.so", "libampora-base.so", "ampctleng.ini" })
        QVERIFY(QFile::copy(build + u'/' + QLatin1String(file), m_env->path(u"program/"_s + QLatin1String(file))));
}

QProcess *TestStartup::start(
    const QStringList &arguments, bool graphical, const QString &runtimeFolder, const QString &display)
{
    auto *process = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!runtimeFolder.isEmpty()) {
        QDir().mkpath(runtimeFolder);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    }
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (graphical)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!display.isEmpty())
        env.insert(display.section(u'=', 0, 0), display.section(u'=', 1));
    process->setProcessEnvironment(env);
    process->start(m_program, arguments);
    process->waitForStarted();
    return process;
}

int TestStartup::switchTo(const QString &plan, bool graphical, int timeoutMs)
{
    QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + plan }, graphical);
    return process->waitForFinished(timeoutMs) ? process->exitCode() : -1;
}

QString TestStartup::activePlan() const
{
    return IniFile::load(m_env->path(QStringLiteral("config/ampora/schemes.ini")))
        .value(QStringLiteral("Store"), QStringLiteral("Active"));
}

void TestStartup::writeSettings(const QByteArray &bytes)
{
    m_env->writeFile(QStringLiteral("program/ampctlset.ini"), bytes);
}

void TestStartup::noGraphicalSessionStillSwitches()
{
    QCOMPARE(switchTo(kPerformance, false), 0);
    QCOMPARE(activePlan(), kPerformance);
    // Nothing to switch ends at once too, with a display or without; so does a GUID naming no plan.
    QCOMPARE(switchTo(kPerformance, false), 0);
    for (const QString &plan : { kPerformance, QStringLiteral("{00000000-1111-2222-3333-444444444444}") }) {
        QCOMPARE(switchTo(plan), 0);
        QCOMPARE(activePlan(), kPerformance);
    }
}

void TestStartup::announcedSwitchEndsWhenPopupIsClosedByTimeout()
{
    // With the key missing the switch is announced; the program ends once its popup has gone.
    QCOMPARE(switchTo(kSaver, true, 30000), 0);
    QCOMPARE(activePlan(), kSaver);
}

void TestStartup::runningCopyTakesOverTheSwitch()
{
    QProcess *running = start({});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_env->path(QStringLiteral("runtime/ampora/ampora.socket"))), 10000);
    QCOMPARE(switchTo(kSaver), 0);
    QCOMPARE(activePlan(), kSaver);
    QCOMPARE(running->state(), QProcess::Running);
    QProcess *plain = start({ QStringLiteral("-hideme") });
    QVERIFY(plain->waitForFinished(10000));
    QCOMPARE(plain->exitCode(), 0);
    QCOMPARE(running->state(), QProcess::Running);
    running->terminate();
    running->waitForFinished(10000);
}

void TestStartup::concurrentSwitchesNeverCorruptTheStore()
{
    // Separate runtime folders make both processes first copies, so both really write the store
    // (two sessions of one user). Without a graphical session a copy that switches nothing ends.
    writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    const QString runtimeA = m_env->path(QStringLiteral("runtime-a"));
    const QString runtimeB = m_env->path(QStringLiteral("runtime-b"));
    for (int round = 0; round < 100; ++round) {
        QProcess *a
            = start({ QStringLiteral("-setactiveplan"), u'-' + (round % 2 ? kSaver : kPerformance) }, false, runtimeA);
        QProcess *b
            = start({ QStringLiteral("-setactiveplan"), u'-' + (round % 2 ? kBalanced : kSaver) }, false, runtimeB);
        QVERIFY(a->waitForFinished(10000) && b->waitForFinished(10000));
        QCOMPARE(a->exitCode() + b->exitCode(), 0);
        delete a;
        delete b;
    }
    const IniFile store = IniFile::load(m_env->path(QStringLiteral("config/ampora/schemes.ini")));
    QVERIFY(store.malformedLines().isEmpty());
    QVERIFY(store.hasSection(kBalanced) && store.hasSection(kPerformance) && store.hasSection(kSaver));
    QVERIFY(QStringList({ kBalanced, kPerformance, kSaver }).contains(activePlan()));
    QCOMPARE(QDir(m_env->path(QStringLiteral("config/ampora"))).entryList({ QStringLiteral("*.corrupt-*") }).size(), 0);
}

void TestStartup::truncatedStoreIsSetAsideAndProgramStarts()
{
    const QByteArray cut = "[Store]\nActive=" + kSaver.toLatin1() + "\n[" + kSaver.toLatin1() + "]\nName=Power sa";
    m_env->writeFile(QStringLiteral("config/ampora/schemes.ini"), cut.left(cut.size() - 30));
    writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    QCOMPARE(switchTo(kPerformance), 0);
    QCOMPARE(activePlan(), kPerformance);
    const QStringList aside
        = QDir(m_env->path(QStringLiteral("config/ampora"))).entryList({ QStringLiteral("schemes.ini.corrupt-*") });
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TestEnvironment::readFile(m_env->path(QStringLiteral("config/ampora/")) + aside.first()),
        cut.left(cut.size() - 30));
}

void TestStartup::quietSwitchNeedsNoWindowModule()
{
    // A quiet scheduled switch runs on QtCore alone, without a window; only a start that needs a
    // window loads the module.
    QVERIFY(QFile::remove(m_env->path(QStringLiteral("program/ampora-gui.so"))));
    writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    QCOMPARE(switchTo(kSaver), 0);
    QCOMPARE(activePlan(), kSaver);

    QProcess *process = start({});
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
    QVERIFY(process->readAllStandardError().contains("ampora: cannot load the window module"));
}

void TestStartup::switchStartedWhileAnotherRunsWaitsItsTurn()
{
    // Another scheduled switch holds the lock and never listens: the later one must not give up.
    writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    const QString folder = m_env->path(QStringLiteral("runtime/ampora"));
    QVERIFY(QDir().mkpath(folder));
    auto other = std::make_unique<InstanceLock>(folder);
    QVERIFY(other->tryAcquire());
    QProcess *later = start({ QStringLiteral("-setactiveplan"), u'-' + kSaver });
    QVERIFY(!later->waitForFinished(3000)); // still waiting, where it used to give up and end
    other.reset();
    QVERIFY(later->waitForFinished(10000));
    QCOMPARE(later->exitCode(), 0);
    QCOMPARE(activePlan(), kSaver);
}

void TestStartup::unreachableDisplayEndsCleanly()
{
    // A session whose display has gone: the switch still happens, and nothing aborts.
    const struct
    {
        QString display, message, plan;
    } cases[] = { { u"DISPLAY=:9876"_s, u"X display :9876"_s, kSaver },
        { u"WAYLAND_DISPLAY=wayland-97"_s, u"Wayland display wayland-97"_s, kPerformance } };
    for (const auto &c : cases) {
        QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + c.plan }, false, {}, c.display);
        QVERIFY(process->waitForFinished(10000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(process->readAllStandardError()).trimmed(),
            u"ampora: Window Creation fails: cannot connect to the "_s + c.message);
        QCOMPARE(activePlan(), c.plan);
    }
}

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
