// ampctl applying plans and telling what became of them: through a recording applier, and the
// real binary on a GNOME session (GNOME's own schemas, a keyfile backend) and on no desktop.
#include "AmpctlCommands.h"
#include "AmpctlRun.h"
#include "FakeApplyBackends.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "GnomeSettingsFixture.h"
#include "Guid.h"
#include "PowerSettings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using ApplySetting::allSettings;
using ApplySetting::settingRow;
using Guid::guidToText;
using Outcomes::outcomeFromName;
using PowerSettings::powerSettingRows;

using namespace Qt::Literals::StringLiterals;

namespace {

using Run = AmpctlRun;

const QString kNotApplied = u"The active plan has not been applied on this machine yet; run ampctl apply."_s;
const QList<Setting> kGnomeSettings { Setting::PowerButton, Setting::SleepButton, Setting::Dim, Setting::DisplayOff,
    Setting::SleepIdle, Setting::HibernateIdle, Setting::LockOnWake };

// "setting:outcome ..." in the order status lists them.
QString outcomesOf(const QJsonObject &status)
{
    QStringList outcomes;
    for (const QJsonValue &setting : status[u"settings"_s].toArray())
        outcomes.append(setting[u"setting"_s].toString() + u':' + setting[u"outcome"_s].toString());
    return outcomes.join(u' ');
}

} // namespace

class TestAmpctlStatus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void setApplyAndStatus();
    void realBinaryAppliesEverySetting_data();
    void realBinaryAppliesEverySetting();

private:
    Run run(const QStringList &arguments);
    QJsonObject json(const QStringList &arguments);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeApplyBackends> m_appliers;
    QUuid m_balanced;
    QUuid m_saver;
};

void TestAmpctlStatus::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_platform = std::make_unique<FakePowerPlatform>();
    m_balanced = m_platform->addScheme(u"Balanced"_s);
    m_saver = m_platform->addScheme(u"Power saver"_s);
    for (const PowerSettingRow &row : powerSettingRows()) {
        for (const auto &[plan, values] : { std::pair(m_balanced, row.balanced), std::pair(m_saver, row.powerSaver) }) {
            QVERIFY(m_platform->writeValueIndex(PowerSource::Ac, plan, row.subgroup, row.setting, values.ac).ok());
            QVERIFY(m_platform->writeValueIndex(PowerSource::Dc, plan, row.subgroup, row.setting, values.dc).ok());
        }
    }
    m_platform->setActiveDirectly(m_balanced);
    m_appliers = std::make_unique<FakeApplyBackends>();
    m_appliers->events->setSource(PowerSource::Dc);
    m_appliers->applier->outcomes.insert(Setting::Lid, Outcome::Failed);
    m_appliers->applier->details.insert(Setting::Lid, u"logind said no"_s);
    m_appliers->applier->outcomes.insert(Setting::Brightness, Outcome::NotOnThisMachine);
}

Run TestAmpctlStatus::run(const QStringList &arguments)
{
    FakeTaskService tasks;
    const FakeNetworkList networks;
    const FakeBatteryStatusReader battery;
    FakeCapabilityReader capabilities;
    capabilities.capabilities = { true, true, true, true, true };
    return runAmpctl({ { *m_platform, tasks, networks, battery, capabilities }, u"/opt/ampora/bin/ampora"_s, [] {},
                         m_appliers->seam() },
        arguments);
}

QJsonObject TestAmpctlStatus::json(const QStringList &arguments)
{
    const Run result = run(QStringList { u"--json"_s } + arguments);
    if (result.status != 0)
        qWarning("%s", qPrintable(result.err));
    return QJsonDocument::fromJson(result.out.toUtf8()).object();
}

void TestAmpctlStatus::setApplyAndStatus()
{
    const QList<ApplyRequest> &requests = m_appliers->applier->requests;
    QCOMPARE(run({ u"show"_s, u"Balanced"_s }).status, 0);
    QCOMPARE(m_appliers->made, 0); // reading plans never reaches the appliers
    QCOMPARE(json({ u"status"_s })[u"applied"_s], QJsonValue()); // nothing applied on this machine yet

    // The switch succeeds; the lid that failed is one line (the disk, which needs an administrator
    // on every machine, is no news).
    const Run set = run({ u"set"_s, u"Power saver"_s });
    QCOMPARE(set.status, 0);
    QCOMPARE(set.out, QString());
    QCOMPARE(set.err, u"ampctl: 1 setting could not be applied; see ampctl status\n"_s);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].source, PowerSource::Dc);
    QVERIFY(requests[0].values == PlanValues::read(*m_platform, m_saver));
    QCOMPARE(m_appliers->applier->releases, 1);

    m_appliers->events->setSource(PowerSource::Ac);
    const QJsonObject status = json({ u"status"_s });
    QCOMPARE(status[u"plan"_s].toObject(),
        (QJsonObject { { u"name"_s, u"Power saver"_s }, { u"guid"_s, guidToText(m_saver) } }));
    QCOMPARE(status[u"source"_s].toString(), u"ac"_s);
    const QJsonObject applied = status[u"applied"_s].toObject();
    QCOMPARE(applied[u"source"_s].toString(), u"battery"_s);
    QCOMPARE(applied[u"appliers"_s].toArray(), QJsonArray { u"fake"_s });
    QCOMPARE(outcomesOf(status),
        u"power-button:applied sleep-button:applied lid:failed dim:applied display-off:applied "
        "disk-off:needs-administrator sleep:applied hibernate:applied lock-on-wake:applied "
        "brightness:not-on-this-machine performance-profile:applied"_s);
    QCOMPARE(status[u"settings"_s][2][u"detail"_s].toString(), u"logind said no"_s);
    const Run text = run({ u"status"_s });
    QVERIFY2(text.out.startsWith(u"Plan:          Power saver\nGUID:          "_s), qPrintable(text.out));
    QVERIFY(text.out.contains(u"\nlid                  Failed                  logind said no\n"_s));

    // A plan that is not active is only written; the active one is applied with its new value.
    QCOMPARE(run({ u"set-value"_s, u"Balanced"_s, u"dim"_s, u"--dc"_s, u"7"_s }).status, 0);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(run({ u"set-value"_s, u"Power saver"_s, u"dim"_s, u"--dc"_s, u"3"_s }).status, 0);
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].values.value(Setting::Dim, PowerSource::Dc), 180u);

    m_appliers->applier->outcomes.clear();
    m_appliers->applier->outcomes.insert(Setting::PerformanceProfile, Outcome::ChangedOutsideAmpora);
    const Run again = run({ u"apply"_s });
    QCOMPARE(again.err, QString()); // a user's own choice is no failure
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests[2].source, PowerSource::Ac);
    QCOMPARE(requests[2].reason, ApplyReason::Activation);

    // Another plan made active since (by the window, or a copy that could not apply) has no record.
    m_platform->setActiveDirectly(m_balanced);
    const QJsonObject stale = json({ u"status"_s });
    QCOMPARE(stale[u"plan"_s][u"name"_s].toString(), u"Balanced"_s);
    QCOMPARE(stale[u"applied"_s], QJsonValue());
    QCOMPARE(stale[u"settings"_s].toArray(), QJsonArray());
    QVERIFY(run({ u"status"_s }).out.endsWith(u"\n\n"_s + kNotApplied + u'\n'));

    m_platform->setUnreadable(true);
    const Run unreadable = run({ u"apply"_s });
    QCOMPARE(unreadable.status, 1);
    QVERIFY2(unreadable.err.startsWith(u"ampctl: cannot read the active power plan: "_s), qPrintable(unreadable.err));
    QCOMPARE(requests.size(), 3);
}

void TestAmpctlStatus::realBinaryAppliesEverySetting_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("desktopOutcomes");
    QTest::addColumn<QStringList>("allowed"); // what any setting may come to; empty: anything
    QTest::addColumn<QString>("shown");
    QTest::newRow("GNOME") << u"GNOME"_s
                           << u"power-button:applied sleep-button:fixed-by-desktop dim:approximated "
                              "display-off:applied sleep:applied hibernate:approximated lock-on-wake:applied"_s
                           << QStringList()
                           << u"button 'suspend', dim true, blank 120, ac 'suspend' 900, battery 'suspend' 600, "
                              "lock true"_s;
    QTest::newRow("no desktop") << QString()
                                << u"power-button:not-on-this-desktop sleep-button:not-on-this-desktop "
                                   "dim:not-on-this-desktop display-off:not-on-this-desktop sleep:not-on-this-desktop "
                                   "hibernate:not-on-this-desktop lock-on-wake:not-on-this-desktop"_s
                                << QStringList { u"not-on-this-desktop"_s, u"not-on-this-machine"_s,
                                       u"needs-administrator"_s }
                                << u"button , dim , blank , ac  , battery  , lock "_s;
}

void TestAmpctlStatus::realBinaryAppliesEverySetting()
{
    QFETCH(QString, desktop);
    QFETCH(QString, desktopOutcomes);
    QFETCH(QStringList, allowed);
    QFETCH(QString, shown);
    if (!compileGnomeSchemas(*m_env, u"schemas"_s))
        QSKIP("GNOME's schemas (gsettings-desktop-schemas, gnome-settings-daemon-common) are needed");
    QVERIFY(QDir().mkpath(m_env->path(u"no-data"_s)));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CURRENT_DESKTOP"_s, desktop);
    environment.insert(u"GSETTINGS_BACKEND"_s, u"keyfile"_s);
    environment.insert(u"GSETTINGS_SCHEMA_DIR"_s, m_env->path(u"schemas"_s));
    environment.insert(u"XDG_DATA_DIRS"_s, m_env->path(u"no-data"_s)); // the installed schemas stay out of sight
    environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, u"unix:path=/nonexistent/ampora-test-bus"_s);
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/ampora-test-bus"_s);
    // A laptop on battery, with a lid, buttons and a backlight.
    environment.insert(u"AMPORA_SYSFS_ROOT"_s, TestEnvironment::sourceFile(u"platform/data/sysfs/caps-laptop"_s));
    const auto ampctl = [&](const QStringList &arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s, arguments);
        Run result;
        if (process.waitForFinished(30000))
            result.status = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    };

    const Run set = ampctl({ u"set"_s, u"Power saver"_s });
    QCOMPARE(set.status, 0);
    QCOMPARE(set.err, QString());
    const QJsonObject json = QJsonDocument::fromJson(ampctl({ u"--json"_s, u"status"_s }).out.toUtf8()).object();
    QCOMPARE(json[u"source"_s].toString(), u"battery"_s);
    // Every setting, in table order, has an outcome; GNOME's own ones are GNOME's.
    const QJsonArray settings = json[u"settings"_s].toArray();
    QCOMPARE(settings.size(), kSettingCount);
    QStringList fromDesktop;
    for (const Setting setting : allSettings()) {
        const QJsonValue report = settings[static_cast<int>(setting)];
        const QString outcome = report[u"outcome"_s].toString();
        QCOMPARE(report[u"setting"_s].toString(), settingRow(setting).name.toString());
        QVERIFY2(outcomeFromName(outcome) && (allowed.isEmpty() || allowed.contains(outcome)), qPrintable(outcome));
        if (kGnomeSettings.contains(setting))
            fromDesktop.append(settingRow(setting).name + u':' + outcome);
    }
    QCOMPARE(fromDesktop.join(u' '), desktopOutcomes);
    QCOMPARE(shownByGnome(), shown);

    // Values written without a record would later be taken for the user's: a state folder that
    // cannot be written fails the switch, and nothing goes out.
    if (!desktop.isEmpty()) {
        environment.insert(u"XDG_STATE_HOME"_s, m_env->writeFile(u"state-is-a-file"_s, "x"));
        const Run unrecorded = ampctl({ u"set"_s, u"Balanced"_s });
        QCOMPARE(unrecorded.status, 1);
        QVERIFY2(unrecorded.err.startsWith(u"ampctl: the plan is active, but what Ampora writes"_s),
            qPrintable(unrecorded.err));
        QCOMPARE(shownByGnome(), shown);
    }
}

QTEST_GUILESS_MAIN(TestAmpctlStatus)
#include "TestAmpctlStatus.moc"
