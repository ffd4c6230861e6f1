// SPDX-License-Identifier: GPL-3.0-or-later
// Plasma's power profiles and screen locker settings, written into a temporary configuration
// folder and read back with KDE's own KConfig (kreadconfig5, kwriteconfig5 for the user's edits);
// a stand-in PowerDevil and screen locker on a private session bus.
#include "AppliedLedger.h"
#include "GnomeSettingsFixture.h"
#include "KConfigFile.h"
#include "PlasmaApplier.h"
#include "PowerSettings.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "ToolRun.h"

#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <atomic>

using ApplySetting::allSettings;

using namespace Qt::StringLiterals;

namespace {

using Version = PlasmaApplier::Version;
const QString kSaverOutcomes = u"power-button:applied sleep-button:fixed-by-desktop lid:applied dim:applied "
                               "display-off:applied sleep:applied hibernate:approximated lock-on-wake:applied "
                               "brightness:applied performance-profile:applied"_s;

QList<Setting> plasmaSettings()
{
    QList<Setting> settings = allSettings();
    settings.removeOne(Setting::DiskOff);
    return settings;
}

// KDE's tools on file (absolute); groupAndKey as "AC/Display/DimDisplayWhenIdle".
QString kdeConfig(const QString &tool, const QString &file, const QString &groupAndKey, const QString &value = {})
{
    QStringList parts = groupAndKey.split(u'/');
    QStringList arguments { u"--file"_s, file };
    for (const QString &group : parts.mid(0, parts.size() - 1))
        arguments << u"--group"_s << group;
    arguments << u"--key"_s << parts.last();
    if (!value.isNull())
        arguments << value;
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished();
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return out.endsWith(u'\n') ? out.chopped(1) : out;
}

QString kread(const QString &file, const QString &groupAndKey)
{
    return kdeConfig(u"kreadconfig5"_s, file, groupAndKey);
}

// "Display/DimDisplayIdleTimeoutSec=120|60 ..." as KConfig reads it from file: AC|Battery.
QString bothProfiles(const QString &file, const QString &keys)
{
    QStringList shown;
    for (const QString &item : keys.split(u' ')) {
        const QString key = item.section(u'=', 0, 0);
        shown.append(key + u'=' + kread(file, u"AC/"_s + key) + u'|' + kread(file, u"Battery/"_s + key));
    }
    return shown.join(u' ');
}

// PowerDevil and the screen locker, counting the calls that make them reread their files.
class FakePlasma : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.Solid.PowerManagement")
public:
    std::atomic<int> calls = 0;
public Q_SLOTS:
    void refreshStatus() { ++calls; }
};

class FakeLocker : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.screensaver")
public:
    std::atomic<int> calls = 0;
public Q_SLOTS:
    void configure() { ++calls; }
};

} // namespace

class TestPlasmaApplier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void writesWhatPlasmaReads_data();
    void writesWhatPlasmaReads();
    void followLeavesWhatTheUserChangedAlone();
    void escapesAsKConfigDoes();
    void tellsPlasmaToReread();
    void ampctlAppliesThroughPlasma();

private:
    QList<SettingReport> apply(Version version, const QString &folder, const PlanValues &values, ApplyReason reason)
    {
        return PlasmaApplier(*m_ledger, QDBusConnection(u"no bus"_s), version, folder)
            .apply({ values, PowerSource::Ac, reason }, plasmaSettings());
    }

    TestEnvironment m_environment;
    std::unique_ptr<AppliedLedger> m_ledger;
};

void TestPlasmaApplier::initTestCase()
{
    if (QStandardPaths::findExecutable(u"kreadconfig5"_s).isEmpty())
        QSKIP("kreadconfig5 (libkf5config-bin) is needed to read back what Plasma reads");
    m_ledger = std::make_unique<AppliedLedger>(m_environment.path(u"applied.ini"_s));
}

void TestPlasmaApplier::writesWhatPlasmaReads_data()
{
    QTest::addColumn<Version>("version");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("users");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QByteArray>("kept");
    // The user's file: comments, other groups and spellings KConfig accepts stay as they were.
    QTest::newRow("Plasma 6")
        << Version::Plasma6 << u"powerdevilrc"_s
        << QByteArray("# Kept as the user wrote it\n[AC][Display]\nDimDisplayIdleTimeoutSec=100\n"
                      "LockBeforeTurnOffDisplay=true\n\n[BatteryManagement]\n"
                      "BatteryCriticalAction=2\n\n[LowBattery][Display]\n"
                      "DimDisplayWhenIdle = false\n")
        << u"SuspendAndShutdown/PowerButtonAction=1|1 SuspendAndShutdown/LidAction=1|1 "
           "Display/DimDisplayWhenIdle=true|true Display/DimDisplayIdleTimeoutSec=120|60 "
           "Display/TurnOffDisplayWhenIdle=true|true Display/TurnOffDisplayIdleTimeoutSec=300|120 "
           "SuspendAndShutdown/AutoSuspendAction=1|1 "
           "SuspendAndShutdown/AutoSuspendIdleTimeoutSec=900|600 SuspendAndShutdown/SleepMode=3|3 "
           "Display/UseProfileSpecificDisplayBrightness=true|true Display/DisplayBrightness=70|40 "
           "Performance/PowerProfile=power-saver|power-saver Display/LockBeforeTurnOffDisplay=true|"_s
        << QByteArray("\n[BatteryManagement]\nBatteryCriticalAction=2\n\n[LowBattery][Display]\n"
                      "DimDisplayWhenIdle = false\n");
    // As PowerDevil 5 made it: an action is on while its group exists; most times in milliseconds.
    QTest::newRow("Plasma 5") << Version::Plasma5 << u"powermanagementprofilesrc"_s
                              << QByteArray("[AC]\nicon=battery-charging\n\n[AC][DPMSControl]\nidleTime=600\n"
                                            "lockBeforeTurnOff=0\n\n[AC][HandleButtonEvents]\nlidAction=1\n"
                                            "powerButtonAction=16\n\n[Battery]\nicon=battery-060\n\n"
                                            "[LowBattery][SuspendSession]\nidleTime=300000\nsuspendType=1\n")
                              << u"HandleButtonEvents/powerButtonAction=1|1 HandleButtonEvents/lidAction=1|1 "
                                 "DimDisplay/idleTime=120000|60000 DPMSControl/idleTime=300|120 "
                                 "SuspendSession/idleTime=900000|600000 SuspendSession/suspendType=1|1 "
                                 "SuspendSession/suspendThenHibernate=true|true BrightnessControl/value=70|40 "
                                 "PowerProfile/profile=power-saver|power-saver DPMSControl/lockBeforeTurnOff=0|"_s
                              << QByteArray("[LowBattery][SuspendSession]\nidleTime=300000\nsuspendType=1\n");
}

void TestPlasmaApplier::writesWhatPlasmaReads()
{
    QFETCH(Version, version);
    QFETCH(QString, file);
    QFETCH(QByteArray, users);
    QFETCH(QString, expected);
    QFETCH(QByteArray, kept);
    const QString folder = m_environment.path(QString::fromLatin1(QTest::currentDataTag()));
    const QString path = m_environment.writeFile(QString::fromLatin1(QTest::currentDataTag()) + u'/' + file, users);
    PlasmaApplier applier(*m_ledger, QDBusConnection(u"no bus"_s), version, folder);
    QCOMPARE(applier.profilesPath(), path);
    const QList<SettingReport> reports = applier.apply(
        { seededPlanValues(u"Power saver"), PowerSource::Ac, ApplyReason::Activation }, plasmaSettings());
    QCOMPARE(outcomeNames(reports), kSaverOutcomes);
    QCOMPARE(bothProfiles(path, expected), expected);
    QCOMPARE(kread(folder + u"/kscreenlockerrc"_s, u"Daemon/LockOnResume"_s), u"true"_s);
    const QByteArray now = TestEnvironment::readFile(path);
    QVERIFY2(now.startsWith(users.left(users.indexOf('\n') + 1)) && now.contains(kept), now.constData());
    // Nothing changes: nothing is rewritten.
    applier.apply({ seededPlanValues(u"Power saver"), PowerSource::Dc, ApplyReason::Follow }, plasmaSettings());
    QCOMPARE(TestEnvironment::readFile(path), now);
}

void TestPlasmaApplier::followLeavesWhatTheUserChangedAlone()
{
    const QString folder = m_environment.path(u"follow"_s);
    const QString path = folder + u"/powermanagementprofilesrc"_s;
    // Plasma 5 makes its profiles into an empty file only: Ampora never writes one first.
    QList<SettingReport> reports
        = apply(Version::Plasma5, folder, seededPlanValues(u"Balanced"), ApplyReason::Activation);
    QVERIFY2(reportText(reports, Setting::Dim).startsWith(u"failed: Plasma has not made its power profiles yet"_s),
        qPrintable(reportText(reports, Setting::Dim)));
    QCOMPARE(outcomeNames(reports, { Setting::LockOnWake }), u"lock-on-wake:applied"_s);
    QVERIFY(!QFile::exists(path));

    m_environment.writeFile(u"follow/powermanagementprofilesrc"_s, "[AC]\nicon=battery-charging\n");
    qunsetenv("KDE_SESSION_VERSION");
    QCOMPARE(PlasmaApplier::sessionVersion(folder), Version::Plasma5);
    // Never dims on battery, never sleeps on mains: those actions' groups go.
    PlanValues plan = seededPlanValues(u"Power saver");
    plan.setValue(Setting::Dim, PowerSource::Dc, 0);
    plan.setValue(Setting::SleepIdle, PowerSource::Ac, 0);
    plan.setValue(Setting::HibernateIdle, PowerSource::Ac, 0);
    plan.setValue(Setting::HibernateIdle, PowerSource::Dc, 0);
    plan.setValue(Setting::Brightness, PowerSource::Dc, 0);
    reports = apply(Version::Plasma5, folder, plan, ApplyReason::Activation);
    QCOMPARE(outcomeNames(reports, { Setting::HibernateIdle }), u"hibernate:applied"_s);
    QCOMPARE(reportText(reports, Setting::Brightness), u"approximated: Plasma's lowest brightness is 1%"_s);
    QCOMPARE(kread(path, u"Battery/BrightnessControl/value"_s), u"1"_s);
    QCOMPARE(bothProfiles(path, u"DimDisplay/idleTime SuspendSession/idleTime SuspendSession/suspendType"_s),
        u"DimDisplay/idleTime=120000| SuspendSession/idleTime=|600000 SuspendSession/suspendType=|1"_s);
    QVERIFY(!TestEnvironment::readFile(path).contains("[AC][SuspendSession]"));

    // In Plasma's settings the user turns dimming on battery back on and changes the power
    // button; KConfig rewrites the whole file.
    kdeConfig(u"kwriteconfig5"_s, path, u"Battery/DimDisplay/idleTime"_s, u"30000"_s);
    kdeConfig(u"kwriteconfig5"_s, path, u"AC/HandleButtonEvents/powerButtonAction"_s, u"16"_s);
    plan.setValue(Setting::DisplayOff, PowerSource::Ac, 600);
    reports = apply(Version::Plasma5, folder, plan, ApplyReason::Follow);
    QCOMPARE(reportText(reports, Setting::Dim),
        u"changed-outside-ampora: the user chose 30000 for Battery/DimDisplay/idleTime"_s);
    QCOMPARE(outcomeNames(reports, { Setting::PowerButton, Setting::DisplayOff }),
        u"power-button:changed-outside-ampora display-off:applied"_s);
    const QString shown = u"DimDisplay/idleTime HandleButtonEvents/powerButtonAction DPMSControl/idleTime"_s;
    QCOMPARE(bothProfiles(path, shown),
        u"DimDisplay/idleTime=120000|30000 HandleButtonEvents/powerButtonAction=16|1 DPMSControl/idleTime=600|120"_s);
    // Choosing a plan writes everything again.
    reports = apply(Version::Plasma5, folder, plan, ApplyReason::Activation);
    QCOMPARE(outcomeNames(reports, { Setting::Dim }), u"dim:applied"_s);
    QCOMPARE(bothProfiles(path, shown),
        u"DimDisplay/idleTime=120000| HandleButtonEvents/powerButtonAction=1|1 DPMSControl/idleTime=600|120"_s);

    // Once Plasma 6 has moved the profiles, its own file is the one; the session's word counts first.
    kdeConfig(u"kwriteconfig5"_s, path, u"Migration/MigratedProfilesToPlasma6"_s, u"powerdevilrc"_s);
    QCOMPARE(PlasmaApplier::sessionVersion(folder), Version::Plasma6);
    qputenv("KDE_SESSION_VERSION", "5");
    QCOMPARE(PlasmaApplier::sessionVersion(folder), Version::Plasma5);
    qunsetenv("KDE_SESSION_VERSION");
}

// Names and values KConfig escapes, both ways.
void TestPlasmaApplier::escapesAsKConfigDoes()
{
    const QString path = m_environment.path(u"escapes"_s);
    const QString text = u" two\tparts \\ and\na line "_s;
    const KConfigFile::Group group { u"A[1]"_s, u"B"_s };
    QVERIFY(KConfigFile::update(path, [&](KConfigFile &file) { file.setValue(group, u"k=1"_s, text); }).ok());
    QCOMPARE(kread(path, u"A[1]/B/k=1"_s), text);
    kdeConfig(u"kwriteconfig5"_s, path, u"C/d"_s, text);
    const Result<KConfigFile> rewritten = KConfigFile::read(path);
    QVERIFY(rewritten.ok());
    QCOMPARE(rewritten->value({ u"C"_s }, u"d"_s), text);
    QCOMPARE(rewritten->value(group, u"k=1"_s), text);
}

void TestPlasmaApplier::tellsPlasmaToReread()
{
    PrivateBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorText()));
    // The stand-ins answer from a thread of their own, as another process would.
    QThread daemonThread;
    FakePlasma powerDevil;
    FakeLocker locker;
    powerDevil.moveToThread(&daemonThread);
    locker.moveToThread(&daemonThread);
    daemonThread.start();
    auto stop = qScopeGuard([&] {
        daemonThread.quit();
        daemonThread.wait();
    });
    QDBusConnection daemons = QDBusConnection::connectToBus(bus.address(), u"daemons"_s);
    QVERIFY(daemons.registerObject(u"/org/kde/Solid/PowerManagement"_s, &powerDevil, QDBusConnection::ExportAllSlots));
    QVERIFY(daemons.registerObject(u"/ScreenSaver"_s, &locker, QDBusConnection::ExportAllSlots));
    QVERIFY(daemons.registerService(u"org.kde.Solid.PowerManagement"_s));
    QVERIFY(daemons.registerService(u"org.kde.screensaver"_s));

    const QString folder = m_environment.path(u"bus"_s);
    PlasmaApplier applier(
        *m_ledger, QDBusConnection::connectToBus(bus.address(), u"applier"_s), Version::Plasma6, folder);
    PlanValues plan = seededPlanValues(u"Power saver");
    applier.apply({ plan, PowerSource::Ac, ApplyReason::Activation }, plasmaSettings());
    QTRY_COMPARE(powerDevil.calls.load(), 1);
    QTRY_COMPARE(locker.calls.load(), 1);
    // On battery nothing changes in the profiles: nobody is asked to reread.
    applier.apply({ plan, PowerSource::Dc, ApplyReason::Follow }, plasmaSettings());
    plan.setValue(Setting::LockOnWake, PowerSource::Ac, 0);
    applier.apply({ plan, PowerSource::Ac, ApplyReason::Activation }, plasmaSettings());
    applier.release();
    QCOMPARE(powerDevil.calls.load(), 1);
    QCOMPARE(locker.calls.load(), 2);
    QCOMPARE(kread(folder + u"/kscreenlockerrc"_s, u"Daemon/LockOnResume"_s), u"false"_s);
    QDBusConnection::disconnectFromBus(u"daemons"_s);
    QDBusConnection::disconnectFromBus(u"applier"_s);
}

// The real program on a Plasma 6 session: every setting but the disk's goes to Plasma, the
// performance profile and brightness too, ahead of power-profiles-daemon and logind.
void TestPlasmaApplier::ampctlAppliesThroughPlasma()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CURRENT_DESKTOP"_s, u"KDE"_s);
    environment.insert(u"KDE_SESSION_VERSION"_s, u"6"_s);
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/ampora-test-bus"_s);
    environment.insert(u"AMPORA_SYSFS_ROOT"_s, TestEnvironment::sourceFile(u"platform/data/sysfs/caps-laptop"_s));
    const QString ampctl = qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s;
    QCOMPARE(runTool(ampctl, { u"set"_s, u"Power saver"_s }, environment).output, QString());
    const QJsonObject status
        = QJsonDocument::fromJson(runTool(ampctl, { u"--json"_s, u"status"_s }, environment).output.toUtf8()).object();
    QCOMPARE(status[u"applied"_s][u"appliers"_s].toArray().first().toString(), u"Plasma 6"_s);
    QStringList outcomes;
    for (const QJsonValue report : status[u"settings"_s].toArray()) {
        if (report[u"setting"_s].toString() != u"disk-off"_s)
            outcomes.append(report[u"setting"_s].toString() + u':' + report[u"outcome"_s].toString());
    }
    QCOMPARE(outcomes.join(u' '), kSaverOutcomes);
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QCOMPARE(bothProfiles(config + u"/powerdevilrc"_s, u"Performance/PowerProfile Display/DisplayBrightness"_s),
        u"Performance/PowerProfile=power-saver|power-saver Display/DisplayBrightness=70|40"_s);
}

QTEST_GUILESS_MAIN(TestPlasmaApplier)
#include "TestPlasmaApplier.moc"
