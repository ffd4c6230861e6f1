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
    void quietSwitchExitsWithoutWindow();
    void noGraphicalSessionStillSwitches();
    void announcedSwitchEndsWhenPopupIsClosedByTimeout();
    void runningCopyTakesOverTheSwitch();
    void concurrentSwitchesNeverCorruptTheStore();
    void truncatedStoreIsSetAsideAndProgramStarts();
    void quietSwitchNeedsNoWindowModule();
    void nothingToSwitchEndsAtOnceWithADisplay();
    void switchStartedWhileAnotherRunsWaitsItsTurn();
    void unreachableDisplayEndsCleanly_data();
    void unreachableDisplayEndsCleanly();

private:
    QProcess *start(const QStringList &arguments, bool graphical = true, const QString &runtimeFolder = {});
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
    QVERIFY(QFile::copy(build + QStringLiteral("/ampora"), m_program));
    QVERIFY(
        QFile::copy(build + QStringLiteral("/ampora-gui.so"), m_env->path(QStringLiteral("program/ampora-gui.so"))));
    QVERIFY(QFile::copy(
        build + QStringLiteral("/libampora-base.so"), m_env->path(QStringLiteral("program/libampora-base.so"))));
    QVERIFY(
        QFile::copy(build + QStringLiteral("/ampctleng.ini"), m_env->path(QStringLiteral("program/ampctleng.ini"))));
}

QProcess *TestStartup::start(const QStringList &arguments, bool graphical, const QString &runtimeFolder)
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
    process->setProcessEnvironment(env);
    process->start(m_program, arguments);
    process->waitForStarted();
    return process;
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

void TestStartup::quietSwitchExitsWithoutWindow()
{
    writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + kSaver });
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(activePlan(), kSaver);
}

void TestStartup::noGraphicalSessionStillSwitches()
{
    QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + kPerformance }, false);
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(activePlan(), kPerformance);
    // Nothing to switch: ends at once too.
    process = start({ QStringLiteral("-setactiveplan"), u'-' + kPerformance }, false);
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
}

void TestStartup::announcedSwitchEndsWhenPopupIsClosedByTimeout()
{
    // With the key missing the switch is announced; the program ends once its popup has gone.
    QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + kSaver });
    QVERIFY(process->waitForFinished(30000));
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(activePlan(), kSaver);
}

void TestStartup::runningCopyTakesOverTheSwitch()
{
    QProcess *running = start({});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_env->path(QStringLiteral("runtime/ampora/ampora.socket"))), 10000);
    QProcess *later = start({ QStringLiteral("-setactiveplan"), u'-' + kSaver });
    QVERIFY(later->waitForFinished(10000));
    QCOMPARE(later->exitCode(), 0);
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
    QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + kPerformance });
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(activePlan(), kPerformance);
    const QStringList aside
        = QDir(m_env->path(QStringLiteral("config/ampora"))).entryList({ QStringLiteral("schemes.ini.corrupt-*") });
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TestEnvironment::readFile(m_env->path(QStringLiteral("config/ampora/")) + aside.first()),
        cut.left(cut.size() - 30));
}

void TestStartup::quietSwitchNeedsNoWindowModule()
{
    // A scheduled switch runs on QtCore alone; only a start that needs a window loads the module.
    QVERIFY(QFile::remove(m_env->path(QStringLiteral("program/ampora-gui.so"))));
    writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n");
    QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + kSaver });
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(activePlan(), kSaver);

    process = start({});
    QVERIFY(process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), 0);
    QVERIFY(process->readAllStandardError().contains("ampora: cannot load the window module"));
}

void TestStartup::nothingToSwitchEndsAtOnceWithADisplay()
{
    // The plan is already active, or the GUID names no plan: a scheduled service must finish.
    for (const QString &plan : { kBalanced, QStringLiteral("{00000000-1111-2222-3333-444444444444}") }) {
        QProcess *process = start({ QStringLiteral("-setactiveplan"), u'-' + plan });
        QVERIFY(process->waitForFinished(10000));
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(activePlan(), kBalanced);
    }
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

void TestStartup::unreachableDisplayEndsCleanly_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("message");
    QTest::newRow("X server gone") << u":9876"_s << QString() << u"cannot connect to the X display :9876"_s;
    QTest::newRow("Wayland compositor gone")
        << QString() << u"wayland-97"_s << u"cannot connect to the Wayland display wayland-97"_s;
    QTest::newRow("both gone") << u":9876"_s << u"wayland-97"_s << u"cannot connect to the X display :9876"_s;
}

void TestStartup::unreachableDisplayEndsCleanly()
{
    // A session whose display has gone: the switch still happens, and nothing aborts.
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(QString, message);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    if (!wayland.isEmpty())
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
    process.setProcessEnvironment(env);
    process.start(m_program, { QStringLiteral("-setactiveplan"), u'-' + kSaver });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()).trimmed(),
        u"ampora: Window Creation fails: "_s + message);
    QCOMPARE(activePlan(), kSaver);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
