// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppliedLedger.h"
#include "GnomeSettingsFixture.h"
#include "IdleWatch.h"
#include "LogindBrightnessApplier.h"
#include "PrivateBus.h"
#include "ResidentApplier.h"
#include "TestEnvironment.h"
#include "X11ScreenSaver.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

using Outcomes::outcomeName;

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kLogind = u"org.freedesktop.login1"_s;
const QString kLogindPath = u"/org/freedesktop/login1"_s;
const QString kManager = u"org.freedesktop.login1.Manager"_s;
const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kMock = u"org.freedesktop.DBus.Mock"_s;

// What logind does with a valid SetBrightness: writes the level into the device's brightness.
const char kWriteLevel[] = R"(if args[0] != "backlight":
    raise dbus.exceptions.DBusException("bad subsystem", name="org.freedesktop.DBus.Error.NotSupported")
with open("%1/class/backlight/" + args[1] + "/brightness", "w") as f:
    f.write(str(args[2])))";

using Values = std::map<Setting, quint32>;
ApplyRequest request(const Values &values)
{
    ApplyRequest request;
    for (const auto &[setting, value] : values) {
        request.values.setValue(setting, PowerSource::Ac, value);
        request.values.setValue(setting, PowerSource::Dc, value);
    }
    return request;
}

} // namespace

class TestResidentApplier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void holdsLogindLocksOnlyWhileThePlanDiffers();
    void idleStagesWaitForTheNextDueMoment();
    void screenSaverAndIdleOnX11();
    void logindBrightnessOnThePreferredBacklight();
    void logindBrightnessRefusedOrMissing();

private:
    void call(const QString &path, const QString &interface, const QString &method, const QVariantList &args);
    void addSession(const QString &id, const QString &setBrightness);
    int callCount(const QString &path, const QString &method);
    QStringList inhibitors();
    void setLidClosed(bool closed);

    TestEnvironment m_env;
    PrivateBus m_bus;
    QDBusConnection m_connection { QString() };
    BusService m_logind;
    BusService m_upower;
    QProcess m_xvfb;
    AppliedLedger m_ledger { m_env.path(u"applied.ini"_s) };
};

void TestResidentApplier::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    m_connection = QDBusConnection::connectToBus(m_bus.address(), u"resident"_s);
    QVERIFY2(m_bus.startMock(m_logind, { u"--template"_s, u"logind"_s }, kLogind), qPrintable(m_bus.errorText()));
    QVERIFY2(m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s }, kUPower), qPrintable(m_bus.errorText()));
    // logind.conf's defaults, which the template leaves out.
    call(kLogindPath, kMock, u"AddProperties"_s,
        { kManager,
            QVariantMap { { u"HandlePowerKey"_s, u"poweroff"_s }, { u"HandleSuspendKey"_s, u"suspend"_s },
                { u"HandleLidSwitch"_s, u"suspend"_s }, { u"HandleLidSwitchExternalPower"_s, QString() },
                { u"Docked"_s, false }, { u"BlockInhibited"_s, QString() } } });
    addSession(u"c1"_s, QString::fromUtf8(kWriteLevel).arg(m_env.path(u"sys"_s)));
    qputenv("XDG_SESSION_ID", "c1");
    m_env.writeFile(u"sys/class/backlight/panel/max_brightness"_s, "100\n");
    m_env.writeFile(u"sys/class/backlight/panel/brightness"_s, "80\n");
    qputenv("AMPORA_SYSFS_ROOT", m_env.path(u"sys"_s).toLocal8Bit());

    // A display of the test's own for the X11 parts; its number arrives on standard output.
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    if (xvfb.isEmpty())
        return;
    m_xvfb.start(xvfb, { u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"640x480x24"_s, u"-nolisten"_s, u"tcp"_s });
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, 15000);
    qputenv("DISPLAY", ":" + m_xvfb.readLine().trimmed());
}

void TestResidentApplier::cleanupTestCase()
{
    m_xvfb.kill();
    m_xvfb.waitForFinished();
}

void TestResidentApplier::call(
    const QString &path, const QString &interface, const QString &method, const QVariantList &args)
{
    const QDBusMessage reply = busCall(m_connection, kLogind, path, interface, method, args);
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
}

// A session of the user's; the template's sessions have no SetBrightness, it runs setBrightness.
void TestResidentApplier::addSession(const QString &id, const QString &setBrightness)
{
    call(kLogindPath, kMock, u"AddSession"_s, { id, u"seat0"_s, quint32(1000), u"user"_s, true });
    call(kLogindPath + u"/session/"_s + id, kMock, u"AddMethod"_s,
        { u"org.freedesktop.login1.Session"_s, u"SetBrightness"_s, u"ssu"_s, QString(), setBrightness });
}

int TestResidentApplier::callCount(const QString &path, const QString &method)
{
    return mockCallCount(m_connection, kLogind, path, method);
}

// What logind holds back for whom, as "what/mode", in the order the locks were taken.
QStringList TestResidentApplier::inhibitors()
{
    const QDBusMessage reply
        = m_connection.call(QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager, u"ListInhibitors"_s));
    const auto list = reply.arguments().value(0).value<QDBusArgument>();
    QStringList held;
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        quint32 uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        held.append(what + u'/' + mode);
    }
    list.endArray();
    return held;
}

void TestResidentApplier::setLidClosed(bool closed)
{
    QVERIFY(setBusProperty(m_connection, kUPower, u"/org/freedesktop/UPower"_s, kUPower, u"LidIsClosed"_s, closed));
}

void TestResidentApplier::holdsLogindLocksOnlyWhileThePlanDiffers()
{
    // A Wayland session: keys and idle are the compositor's, the lid and locking are not.
    ResidentApplier applier(
        m_ledger, m_connection, ResidentApplier::Presence::Running, ResidentApplier::Display::Wayland);
    const QList<Setting> settings = applier.handles();
    // Power button: nothing (logind powers off), sleep button and lid: shut down, lock on wake.
    QList<SettingReport> reports
        = applier.apply(request({ { Setting::PowerButton, 0 }, { Setting::SleepButton, 3 }, { Setting::Lid, 3 },
                            { Setting::LockOnWake, 1 }, { Setting::Dim, 60 }, { Setting::DisplayOff, 300 },
                            { Setting::SleepIdle, 600 }, { Setting::HibernateIdle, 0 } }),
            settings);
    QCOMPARE(outcomeNames(reports,
                 { Setting::PowerButton, Setting::SleepButton, Setting::Lid, Setting::Dim, Setting::DisplayOff,
                     Setting::SleepIdle, Setting::LockOnWake }),
        u"power-button:applied sleep-button:not-on-this-desktop lid:applied dim:not-on-this-desktop "
        "display-off:not-on-this-desktop sleep:not-on-this-desktop lock-on-wake:applied"_s);
    QTRY_COMPARE(
        inhibitors(), (QStringList { u"handle-power-key/block"_s, u"handle-lid-switch/block"_s, u"sleep/delay"_s }));

    // The lid closes: Ampora shuts down in logind's place, never asking for a password, even while
    // this thread (the window's) is busy and runs no events.
    setLidClosed(true);
    const QDeadlineTimer busy(15s);
    while (callCount(kLogindPath, u"PowerOff"_s) == 0 && !busy.hasExpired())
        QThread::msleep(10);
    QCOMPARE(callCount(kLogindPath, u"PowerOff"_s), 1);
    setLidClosed(false);

    // Going to sleep: the session is locked and the delay lock given back; taken again on waking.
    call(kLogindPath, kMock, u"EmitSignal"_s, { kManager, u"PrepareForSleep"_s, u"b"_s, QVariantList { true } });
    QTRY_COMPARE(callCount(kLogindPath + u"/session/c1"_s, u"Lock"_s), 1);
    QTRY_VERIFY(!inhibitors().contains(u"sleep/delay"_s));
    call(kLogindPath, kMock, u"EmitSignal"_s, { kManager, u"PrepareForSleep"_s, u"b"_s, QVariantList { false } });
    QTRY_VERIFY(inhibitors().contains(u"sleep/delay"_s));

    // A plan that does what logind does anyway holds nothing. Applied from the follower's worker
    // thread, it is handed over to the applier's own.
    QFuture<QList<SettingReport>> applied = QtConcurrent::run([&applier] {
        return applier.apply(request({ { Setting::PowerButton, 3 }, { Setting::SleepButton, 1 }, { Setting::Lid, 1 },
                                 { Setting::LockOnWake, 0 } }),
            { Setting::PowerButton, Setting::SleepButton, Setting::Lid, Setting::LockOnWake });
    });
    QTRY_VERIFY(applied.isFinished());
    reports = applied.result();
    QCOMPARE(reports.size(), 4);
    for (const SettingReport &report : reports)
        QCOMPARE(report.outcome, Outcome::Applied);
    QTRY_COMPARE(inhibitors(), QStringList());
    QVERIFY(!applier.holdsInhibitor(Setting::Lid));

    // A copy that is not the running one holds nothing and says what it needs.
    ResidentApplier passing(m_ledger, m_connection, ResidentApplier::Presence::NotRunning);
    QCOMPARE(
        passing.apply(request({ { Setting::Lid, 0 } }), { Setting::Lid }).value(0).outcome, Outcome::NeedsResident);
}

void TestResidentApplier::idleStagesWaitForTheNextDueMoment()
{
    std::chrono::milliseconds idle = 2s;
    IdleWatch watch([&idle] { return std::optional(idle); });
    QSignalSpy reached(&watch, &IdleWatch::reached);
    QSignalSpy activity(&watch, &IdleWatch::activity);
    watch.setStages({ { IdleWatch::Stage::Dim, 5 }, { IdleWatch::Stage::Sleep, 600 } });
    // Nothing is due for three seconds: the watch sleeps until then.
    QCOMPARE(watch.nextCheck(), std::optional(3000ms));

    idle = 6s;
    watch.setStages({ { IdleWatch::Stage::Dim, 5 }, { IdleWatch::Stage::Sleep, 600 } });
    QCOMPARE(reached.count(), 1);
    QCOMPARE(reached.at(0).at(0).value<IdleWatch::Stage>(), IdleWatch::Stage::Dim);
    idle = 7s; // still idle: dimmed once only
    watch.setStages({ { IdleWatch::Stage::Dim, 5 }, { IdleWatch::Stage::Sleep, 600 } });
    QCOMPARE(reached.count(), 1);
    idle = 100ms; // input: the dim ends, and can come again
    watch.setStages({ { IdleWatch::Stage::Dim, 5 }, { IdleWatch::Stage::Sleep, 600 } });
    QCOMPARE(activity.count(), 1);
    watch.setStages({});
    QVERIFY(!watch.nextCheck());
}

void TestResidentApplier::screenSaverAndIdleOnX11()
{
    if (m_xvfb.state() != QProcess::Running)
        QSKIP("Xvfb is not installed (tools/install-deps.sh --tests installs it)");
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed (tools/install-deps.sh --tests installs it)");
    const auto input = [](const QStringList &arguments) { return QProcess::execute(u"xdotool"_s, arguments) == 0; };

    // The blank timeout is the server's, as any client reads it.
    ResidentApplier applier(m_ledger, m_connection, ResidentApplier::Presence::Running);
    QCOMPARE(applier.name(), u"Ampora (logind/X11)"_s);
    const QList<Setting> settings = applier.handles();
    QVERIFY(settings.contains(Setting::Brightness));
    const Values values { { Setting::PowerButton, 1 }, { Setting::Dim, 2 }, { Setting::DisplayOff, 300 },
        { Setting::SleepIdle, 3600 }, { Setting::HibernateIdle, 0 }, { Setting::Brightness, 80 } };
    const QList<SettingReport> reports = applier.apply(request(values), settings);
    X11ScreenSaver server;
    QCOMPARE(server.blankTimeout(), 300u);
    // Xvfb has no DPMS: blanked, never switched off. The power key is Ampora's now (below).
    QCOMPARE(outcomeNames(reports, { Setting::PowerButton, Setting::Dim, Setting::DisplayOff, Setting::SleepIdle }),
        u"power-button:applied dim:applied display-off:approximated sleep:applied"_s);

    // Idle for two seconds: dimmed through logind to 30 %; input brings the brightness back.
    const QString level = m_env.path(u"sys/class/backlight/panel/brightness"_s);
    QTRY_COMPARE_WITH_TIMEOUT(TestEnvironment::readFile(level), QByteArray("24"), 10000);
    const std::optional<std::chrono::milliseconds> before = server.idleTime();
    QVERIFY(before && *before >= 2s);
    // Unplugged while dimmed: the battery's level is set (the dimmed one is not the user's), dimmed.
    ApplyRequest onBattery = request(values);
    onBattery.values.setValue(Setting::Brightness, PowerSource::Dc, 50);
    onBattery.source = PowerSource::Dc;
    onBattery.reason = ApplyReason::Follow;
    QCOMPARE(outcomeNames(applier.apply(onBattery, { Setting::Brightness })), u"brightness:applied"_s);
    QCOMPARE(TestEnvironment::readFile(level), QByteArray("15"));
    QVERIFY(input({ u"mousemove"_s, u"20"_s, u"30"_s }));
    QVERIFY(server.idleTime() < before);
    QTRY_COMPARE_WITH_TIMEOUT(TestEnvironment::readFile(level), QByteArray("50"), 10000);

    // The power key is Ampora's now (logind would power off): pressing it suspends.
    QVERIFY(applier.holdsInhibitor(Setting::PowerButton));
    QVERIFY(input({ u"key"_s, u"XF86PowerOff"_s }));
    QTRY_COMPARE(callCount(kLogindPath, u"Suspend"_s), 1);
}

// The brightness through logind where no desktop sets it, on a sysfs of its own.
void TestResidentApplier::logindBrightnessOnThePreferredBacklight()
{
    // A raw register sorts first by name; the platform interface must still win.
    for (const auto &[name, type, max] :
        { std::tuple(u"amdgpu_bl0"_s, "raw\n", "255\n"), std::tuple(u"thinkpad_screen"_s, "platform\n", "15\n") }) {
        m_env.writeFile(u"brightness/class/backlight/%1/type"_s.arg(name), type);
        m_env.writeFile(u"brightness/class/backlight/%1/max_brightness"_s.arg(name), max);
        m_env.writeFile(u"brightness/class/backlight/%1/brightness"_s.arg(name), max);
    }
    addSession(u"c2"_s, QString::fromUtf8(kWriteLevel).arg(m_env.path(u"brightness"_s)));
    qputenv("XDG_SESSION_ID", "c2");
    LogindBrightnessApplier applier(m_ledger, m_connection, m_env.path(u"brightness"_s));
    ApplyRequest request;
    request.values.setValue(Setting::Brightness, PowerSource::Ac, 50);
    request.values.setValue(Setting::Brightness, PowerSource::Dc, 0);
    const QString level = m_env.path(u"brightness/class/backlight/thinkpad_screen/brightness"_s);
    // "outcome level" after applying on source for reason.
    const auto apply = [&](PowerSource source, ApplyReason reason) -> QString {
        request.source = source;
        request.reason = reason;
        const QList<SettingReport> reports = applier.apply(request, { Setting::Brightness });
        return outcomeName(reports.value(0).outcome) + u' ' + QString::fromUtf8(TestEnvironment::readFile(level));
    };
    QCOMPARE(apply(PowerSource::Ac, ApplyReason::Activation), u"applied 7"_s);
    QCOMPARE(apply(PowerSource::Dc, ApplyReason::Activation), u"applied 1"_s);
    QCOMPARE(TestEnvironment::readFile(m_env.path(u"brightness/class/backlight/amdgpu_bl0/brightness"_s)),
        QByteArray("255\n"));

    // A wake or a change of source keeps a level the user chose since; choosing a plan does not.
    m_env.writeFile(level, "12\n");
    request.reason = ApplyReason::Follow;
    QCOMPARE(reportText(applier.apply(request, { Setting::Brightness }), Setting::Brightness),
        u"changed-outside-ampora: the user chose 80%"_s);
    QCOMPARE(TestEnvironment::readFile(level), QByteArray("12\n"));
    QCOMPARE(apply(PowerSource::Dc, ApplyReason::Activation), u"applied 1"_s);
    QCOMPARE(apply(PowerSource::Ac, ApplyReason::Follow), u"applied 7"_s);
    QCOMPARE(reportText(applier.apply(ApplyRequest {}, { Setting::Brightness }), Setting::Brightness),
        u"failed: the plan has no value for it"_s);
    qputenv("XDG_SESSION_ID", "c1");
}

void TestResidentApplier::logindBrightnessRefusedOrMissing()
{
    addSession(u"c3"_s,
        QStringLiteral(R"(raise dbus.exceptions.DBusException("Only owner of session may change brightness.", )"
                       R"(name="org.freedesktop.DBus.Error.AccessDenied"))"));
    qputenv("XDG_SESSION_ID", "c3");
    const QString root = m_env.path(u"sys"_s);
    LogindBrightnessApplier applier(m_ledger, m_connection, root);
    QCOMPARE(reportText(
                 applier.apply(request({ { Setting::Brightness, 80 } }), { Setting::Brightness }), Setting::Brightness),
        u"needs-administrator: logind lets only the session's owner set the brightness"_s);

    // No backlight, no bus or no session: nothing is handled.
    qputenv("XDG_SESSION_ID", "no-such-session");
    QVERIFY(LogindBrightnessApplier(m_ledger, m_connection, root).handles().isEmpty());
    qputenv("XDG_SESSION_ID", "c1");
    QVERIFY(LogindBrightnessApplier(m_ledger, m_connection, m_env.path(u"empty"_s)).handles().isEmpty());
    QVERIFY(LogindBrightnessApplier(m_ledger, QDBusConnection(u"never-connected"_s), root).handles().isEmpty());
}

QTEST_GUILESS_MAIN(TestResidentApplier)
#include "TestResidentApplier.moc"
