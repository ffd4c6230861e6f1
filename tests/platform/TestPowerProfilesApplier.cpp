// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppliedLedger.h"
#include "ApplyCoordinator.h"
#include "GnomeSettingsFixture.h"
#include "PowerEventMonitor.h"
#include "PowerProfilesApplier.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"net.hadess.PowerProfiles"_s;
const QString kPath = u"/net/hadess/PowerProfiles"_s;
const QString kDaemon = u"/usr/libexec/power-profiles-daemon"_s;
const QString kPolkit = u"org.freedesktop.PolicyKit1"_s;
const QString kSwitch = u"net.hadess.PowerProfiles.switch-profile"_s;
const QString kHold = u"net.hadess.PowerProfiles.hold-profile"_s;
const QString kConnection = u"ppd-test"_s;
const QString kLedgerKey = u"power-profiles-daemon/ActiveProfile"_s;
// The daemon keeps its profile in /var/lib/power-profiles-daemon/state.ini: it gets a /var/lib of
// its own, which goes away with it.
const QString kPrivateState = u"mount -t tmpfs tmpfs /var/lib && mkdir /var/lib/power-profiles-daemon"_s;

ApplyRequest request(quint32 profile, ApplyReason reason = ApplyReason::Activation)
{
    ApplyRequest request;
    request.values.setValue(Setting::PerformanceProfile, PowerSource::Ac, profile);
    request.reason = reason;
    return request;
}

// "outcome: detail", so that a failed comparison shows what came back.
QString applied(PowerProfilesApplier &applier, const ApplyRequest &request)
{
    const QList<SettingReport> reports = applier.apply(request, { Setting::PerformanceProfile });
    return reports.size() == 1 ? reportText(reports, Setting::PerformanceProfile) : u"not one report"_s;
}

} // namespace

class TestPowerProfilesApplier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void eachProfileArrivesAndFollowsLeaveTheUsersChoice();
    void holdOfAnotherProgramIsLeftAlone();
    void refusedSilentOrMissingDaemon();

private:
    void startDaemon();
    void allow(const QStringList &actions);
    QString activeProfile() const;

    TestEnvironment m_env;
    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<BusService> m_polkit;
    std::unique_ptr<BusService> m_daemon;
    QDBusConnection m_connection { kConnection };
    std::unique_ptr<AppliedLedger> m_ledger;
};

void TestPowerProfilesApplier::initTestCase()
{
    if (!QFileInfo::exists(kDaemon))
        QSKIP("power-profiles-daemon is not installed");
    QProcess probe;
    probe.start(u"unshare"_s, { u"-m"_s, u"sh"_s, u"-c"_s, kPrivateState });
    if (!probe.waitForFinished() || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        QSKIP(qPrintable(u"the daemon needs a private /var/lib (unshare -m and mount, as root): "_s
            + QString::fromLocal8Bit(probe.readAllStandardError()).trimmed()));
    }
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorText()));
    m_connection = QDBusConnection::connectToBus(m_bus->address(), kConnection);
    QVERIFY(m_connection.isConnected());
    qputenv("POWER_PROFILE_DAEMON_FAKE_DRIVER", "1");
    m_polkit = std::make_unique<BusService>();
    QVERIFY2(m_bus->startMock(*m_polkit, { u"--template"_s, u"polkitd"_s }, kPolkit), qPrintable(m_bus->errorText()));
}

void TestPowerProfilesApplier::init()
{
    m_ledger.reset(); // it writes out what it holds as it goes
    QFile::remove(m_env.path(u"applied.ini"_s));
    m_ledger = std::make_unique<AppliedLedger>(m_env.path(u"applied.ini"_s));
    allow({});
    startDaemon();
    if (!QTest::currentTestFailed())
        QCOMPARE(activeProfile(), u"balanced"_s);
}

void TestPowerProfilesApplier::cleanup()
{
    m_daemon.reset(); // killed
}

void TestPowerProfilesApplier::cleanupTestCase()
{
    m_polkit.reset();
    QDBusConnection::disconnectFromBus(kConnection);
    m_bus.reset();
}

void TestPowerProfilesApplier::eachProfileArrivesAndFollowsLeaveTheUsersChoice()
{
    allow({ kSwitch });
    PowerProfilesApplier applier(*m_ledger, m_connection);
    // Balanced last: the daemon starts there, and each must be a change.
    for (const auto &[value, profile] :
        { std::pair(0u, u"power-saver"_s), std::pair(2u, u"performance"_s), std::pair(1u, u"balanced"_s) }) {
        QCOMPARE(applied(applier, request(value)), u"applied: "_s);
        QCOMPARE(activeProfile(), profile);
        QCOMPARE(m_ledger->written(kLedgerKey), std::optional(profile));
    }

    QVERIFY(
        setBusProperty(m_connection, kService, kPath, kService, u"ActiveProfile"_s, u"performance"_s)); // Power Mode
    QVERIFY(applied(applier, request(1, ApplyReason::Follow)).startsWith(u"changed-outside-ampora: "_s));
    QCOMPARE(activeProfile(), u"performance"_s);
    // Choosing a plan overrides the user's choice; follows go on from there.
    QCOMPARE(applied(applier, request(0)), u"applied: "_s);
    QCOMPARE(applied(applier, request(1, ApplyReason::Follow)), u"applied: "_s);
    QCOMPARE(activeProfile(), u"balanced"_s);
}

void TestPowerProfilesApplier::holdOfAnotherProgramIsLeftAlone()
{
    allow({ kSwitch, kHold });
    const QDBusConnection holder = QDBusConnection::connectToBus(m_bus->address(), u"ppd-holder"_s);
    const QDBusMessage cookie = busCall(holder, kService, kPath, kService, u"HoldProfile"_s,
        { u"power-saver"_s, u"low battery"_s, u"org.gnome.SettingsDaemon.Power"_s });
    QCOMPARE(activeProfile(), u"power-saver"_s);

    PowerProfilesApplier applier(*m_ledger, m_connection);
    // The running copy hears when the hold ends, and applies the plan's profile again.
    PowerEventMonitor monitor(m_connection, m_env.path(u"no-sysfs"_s));
    QSignalSpy freed(&monitor, &PowerEvents::profilesFreed);
    for (const ApplyReason reason : { ApplyReason::Activation, ApplyReason::Follow }) {
        const QString report = applied(applier, request(2, reason));
        QVERIFY2(report.startsWith(u"changed-outside-ampora: "_s)
                && report.contains(u"org.gnome.SettingsDaemon.Power"_s) && report.contains(u"low battery"_s),
            qPrintable(report));
        QCOMPARE(activeProfile(), u"power-saver"_s);
    }

    busCall(holder, kService, kPath, kService, u"ReleaseProfile"_s, { cookie.arguments().value(0) });
    QDBusConnection::disconnectFromBus(u"ppd-holder"_s);
    QTRY_COMPARE(activeProfile(), u"balanced"_s);
    QTRY_COMPARE(freed.size(), 1);
    QCOMPARE(applied(applier, request(2, ApplyReason::Follow)), u"applied: "_s);
    QCOMPARE(activeProfile(), u"performance"_s);
}

void TestPowerProfilesApplier::refusedSilentOrMissingDaemon()
{
    PowerProfilesApplier applier(*m_ledger, m_connection);
    QVERIFY(applied(applier, request(2)).startsWith(u"needs-administrator: "_s));
    QCOMPARE(activeProfile(), u"balanced"_s);
    QCOMPARE(m_ledger->written(kLedgerKey), std::nullopt);
    // What the daemon already has needs no permission.
    QCOMPARE(applied(applier, request(1)), u"applied: "_s);

    allow({ kSwitch });
    // A daemon that stops answering costs one timeout, not a hang.
    ::kill(pid_t(m_daemon->processId()), SIGSTOP);
    QVERIFY(applied(applier, request(2)).startsWith(u"failed: "_s));
    m_daemon.reset();
    QTRY_VERIFY(!m_connection.interface()->isServiceRegistered(kService));
    QVERIFY(applied(applier, request(2)).startsWith(u"failed: "_s));

    // A daemon that starts after Ampora is found on the next apply.
    auto late = std::make_unique<PowerProfilesApplier>(*m_ledger, m_connection);
    QVERIFY(late->handles().isEmpty());
    std::vector<std::unique_ptr<PlanApplier>> appliers;
    appliers.push_back(std::move(late));
    ApplyCoordinator coordinator(std::move(appliers), std::nullopt);
    PowerEventMonitor monitor(m_connection, m_env.path(u"no-sysfs"_s));
    QSignalSpy appeared(&monitor, &PowerEvents::profilesFreed);
    startDaemon();
    QTRY_VERIFY(!appeared.isEmpty());
    QCOMPARE(reportText(coordinator.apply(request(2)), Setting::PerformanceProfile), u"applied: "_s);
    QCOMPARE(activeProfile(), u"performance"_s);
}

void TestPowerProfilesApplier::startDaemon()
{
    m_daemon = std::make_unique<BusService>();
    QVERIFY2(m_bus->startService(*m_daemon, u"unshare"_s,
                 { u"-m"_s, u"sh"_s, u"-c"_s, kPrivateState + u" && exec "_s + kDaemon }, kService),
        qPrintable(m_bus->errorText()));
}

void TestPowerProfilesApplier::allow(const QStringList &actions)
{
    QCOMPARE(busCall(m_connection, kPolkit, u"/org/freedesktop/PolicyKit1/Authority"_s, u"org.freedesktop.DBus.Mock"_s,
                 u"SetAllowed"_s, { actions })
                 .type(),
        QDBusMessage::ReplyMessage);
}

QString TestPowerProfilesApplier::activeProfile() const
{
    return busProperty(m_connection, kService, kPath, kService, u"ActiveProfile"_s).toString();
}

QTEST_GUILESS_MAIN(TestPowerProfilesApplier)
#include "TestPowerProfilesApplier.moc"
