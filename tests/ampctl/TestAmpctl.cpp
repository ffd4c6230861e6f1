// ampctl's commands against in-memory plans, tasks and networks, read back through --json; and the
// real ampctl binary writing units that systemd accepts.
#include "AmpctlCommands.h"
#include "AmpctlRun.h"
#include "FakeApplyBackends.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "Guid.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <ctime>

using Guid::guidToText;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

using Run = AmpctlRun;

class TestAmpctl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void listsPlansAndSetsTheActiveOne();
    void namesFromOutsideCannotSteerTheTerminal();
    void badCommandLinesFailWithOneLine_data();
    void badCommandLinesFailWithOneLine();
    void weeklyScheduleReadsBackAndIsEnabledDisabledRemoved();
    void networkSchedulesByNameOrGuid();
    void onceTimeTheClockSkipsHasItsOwnStatus();
    void batteryShowsWhatThePopupShows();
    void realBinaryWritesUnitsSystemdAccepts();

private:
    Run run(const QStringList &arguments);
    QJsonArray json(const QStringList &arguments);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    std::unique_ptr<FakeNetworkList> m_networks;
    QUuid m_balanced;
    QUuid m_saver;
    QUuid m_home;
    int m_changeNotices = 0;
};

void TestAmpctl::init()
{
    m_env = std::make_unique<TestEnvironment>();
    // The shipped language file, so listings carry the texts users will see.
    QVERIFY(QFile::copy(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctleng.ini"_s, sharedStrings().languageFile));
    m_platform = std::make_unique<FakePowerPlatform>();
    m_balanced = m_platform->addScheme(u"Balanced"_s, u"Everyday use"_s);
    m_platform->addScheme(u"High performance"_s);
    m_saver = m_platform->addScheme(u"Power saver"_s);
    m_platform->setActiveDirectly(m_balanced);
    m_tasks = std::make_unique<FakeTaskService>();
    m_networks = std::make_unique<FakeNetworkList>();
    m_home = m_networks->addNetwork(u"Home Wi-Fi"_s, true);
    m_networks->addNetwork(u"Twin"_s);
    m_networks->addNetwork(u"Twin"_s);
    m_changeNotices = 0;
}

Run TestAmpctl::run(const QStringList &arguments)
{
    const FakeBatteryStatusReader battery;
    const FakeCapabilityReader capabilities;
    FakeApplyBackends appliers;
    return runAmpctl({ { *m_platform, *m_tasks, *m_networks, battery, capabilities }, u"/opt/ampora/bin/ampora"_s,
                         [this] { ++m_changeNotices; }, appliers.seam() },
        arguments);
}

QJsonArray TestAmpctl::json(const QStringList &arguments)
{
    const Run outcome = run(QStringList { u"--json"_s } + arguments);
    if (outcome.status != 0)
        qWarning("%s", qPrintable(outcome.err));
    return QJsonDocument::fromJson(outcome.out.toUtf8()).array();
}

void TestAmpctl::listsPlansAndSetsTheActiveOne()
{
    const QJsonArray plans = json({ u"list"_s });
    QCOMPARE(plans.size(), 3);
    QStringList names;
    for (const QJsonValue &plan : plans)
        names.append(plan[u"name"_s].toString());
    QCOMPARE(names, (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s }));
    QCOMPARE(plans[0][u"active"_s].toBool(), true);
    QCOMPARE(plans[0][u"guid"_s].toString(), guidToText(m_balanced));
    QCOMPARE(plans[0][u"description"_s].toString(), u"Everyday use"_s);
    QCOMPARE(plans[2][u"active"_s].toBool(), false);
    QCOMPARE(run({ u"list"_s }).out.split(u'\n').first(), u"*  "_s + guidToText(m_balanced) + u"  Balanced"_s);

    // set takes a name or a GUID.
    QCOMPARE(run({ u"set"_s, u"Power saver"_s }).status, 0);
    QCOMPARE(m_platform->activeScheme().valueOr({}), m_saver);
    QCOMPARE(run({ u"set"_s, guidToText(m_balanced) }).status, 0);
    const QJsonDocument shown = QJsonDocument::fromJson(run({ u"--json"_s, u"active"_s }).out.toUtf8());
    QCOMPARE(shown[u"name"_s].toString(), u"Balanced"_s);
}

void TestAmpctl::namesFromOutsideCannotSteerTheTerminal()
{
    // A plan whose name looks like an option, and a network name chosen by a stranger.
    const QUuid eco = m_platform->addScheme(u"-Eco"_s);
    QCOMPARE(run({ u"set"_s, u"--"_s, u"-Eco"_s }).status, 0);
    QCOMPARE(m_platform->activeScheme().valueOr({}), eco);
    QVERIFY(run({ u"--help"_s }).out.contains(u"ampctl set -- -Eco"_s));

    const QString hostile = u"Free\x1b[31mWiFi\nFAKE ROW\u0085"_s;
    m_networks->addNetwork(hostile);
    const Run table = run({ u"networks"_s });
    QVERIFY(!table.out.contains(u'\x1b'));
    QVERIFY(table.out.contains(u"Free\\x1b[31mWiFi\\nFAKE ROW\\x85"_s));
    QCOMPARE(table.out.count(u'\n'), 4); // one line per network
    const Run missing = run({ u"schedule"_s, u"Balanced"_s, u"--network"_s, u"\x1b]0;title\x07"_s });
    QVERIFY(!missing.err.contains(u'\x1b') && !missing.err.contains(u'\x07'));
    // JSON carries the name exactly; its own escaping keeps it safe.
    bool found = false;
    for (const QJsonValue &network : json({ u"networks"_s }))
        found = found || network[u"name"_s].toString() == hostile;
    QVERIFY(found);
}

void TestAmpctl::badCommandLinesFailWithOneLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList {} << 2 << u"no command given"_s;
    QTest::newRow("unknown command") << QStringList { u"frobnicate"_s } << 2 << u"unknown command \"frobnicate\""_s;
    QTest::newRow("unknown option") << QStringList { u"list"_s, u"--fast"_s } << 2 << u"Unknown option 'fast'"_s;
    QTest::newRow("missing argument") << QStringList { u"set"_s } << 2 << u"usage: ampctl set PLAN"_s;
    QTest::newRow("two kinds") << QStringList { u"schedule"_s, u"Balanced"_s, u"--daily"_s, u"--once"_s, u"07:00"_s }
                               << 2 << u"one of --once"_s;
    QTest::newRow("unknown guid") << QStringList { u"set"_s, u"{00000000-0000-0000-0000-000000000001}"_s } << 3
                                  << u"no power plan {00000000"_s;
    QTest::newRow("bad date") << QStringList { u"schedule"_s, u"Balanced"_s, u"--once"_s, u"2026-02-30"_s, u"07:00"_s }
                              << 2 << u"bad date \"2026-02-30\""_s;
    QTest::newRow("bad time") << QStringList { u"schedule"_s, u"Balanced"_s, u"--daily"_s, u"24:00"_s } << 2
                              << u"bad time \"24:00\""_s;
    QTest::newRow("bad day") << QStringList { u"schedule"_s, u"Balanced"_s, u"--weekly"_s, u"Mon,Funday"_s, u"07:00"_s }
                             << 2 << u"bad day list"_s;
    QTest::newRow("no days, before looking up the plan")
        << QStringList { u"schedule"_s, u"Turbo"_s, u"--weekly"_s, u""_s, u"07:00"_s } << 2 << u"no days given"_s;
    QTest::newRow("date beyond the calendar") << QStringList { u"schedule"_s, u"Balanced"_s, u"--once"_s,
        u"2199-01-01"_s, u"07:00"_s } << 2 << u"date 2199-01-01 is out of range: use a year from 1970 to 2198"_s;
    QTest::newRow("unknown network") << QStringList { u"schedule"_s, u"Balanced"_s, u"--network"_s, u"Cafe"_s } << 3
                                     << u"no network \"Cafe\""_s;
    QTest::newRow("ambiguous network") << QStringList { u"schedule"_s, u"Balanced"_s, u"--network"_s, u"Twin"_s } << 3
                                       << u"2 networks are named \"Twin\""_s;
    QTest::newRow("unknown schedule") << QStringList { u"remove"_s, u"AMPCTL9"_s } << 3 << u"no schedule \"AMPCTL9\""_s;
}

void TestAmpctl::badCommandLinesFailWithOneLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Run outcome = run(arguments);
    QCOMPARE(outcome.status, status);
    QVERIFY2(outcome.err.startsWith(u"ampctl: "_s) && outcome.err.contains(message), qPrintable(outcome.err));
    QCOMPARE(outcome.err.count(u'\n'), 1);
    QVERIFY(outcome.out.isEmpty());
    QVERIFY(m_tasks->tasks().isEmpty());
}

void TestAmpctl::weeklyScheduleReadsBackAndIsEnabledDisabledRemoved()
{
    const Run written = run({ u"schedule"_s, u"Power saver"_s, u"--weekly"_s, u"Mon,Fri"_s, u"07:03:09"_s });
    QCOMPARE(written.status, 0);
    QCOMPARE(written.out, u"AMPCTL0\n"_s);
    const RegisteredTask *task = m_tasks->task(u"AMPCTL0"_s);
    QVERIFY(task);
    QCOMPARE(task->definition->actions.first().path, u"/opt/ampora/bin/ampora"_s);
    QCOMPARE(task->definition->actions.first().arguments, u"-setactiveplan -"_s + guidToText(m_saver));

    const QJsonArray rows = json({ u"schedules"_s });
    QCOMPARE(rows.size(), 1);
    const QJsonObject weekly = rows.first().toObject();
    QCOMPARE(weekly[u"kind"_s].toString(), u"time"_s);
    QCOMPARE(weekly[u"plan"_s].toString(), u"Power saver"_s);
    QCOMPARE(weekly[u"start"_s].toString(), u"07:03:09 AM on Mon and Fri"_s);
    QCOMPARE(weekly[u"daysOfWeek"_s].toInt(), 2 | 32);
    QCOMPARE(weekly[u"status"_s].toString(), u"Enabled"_s);

    QCOMPARE(run({ u"disable"_s, u"AMPCTL0"_s }).status, 0);
    QCOMPARE(m_tasks->task(u"AMPCTL0"_s)->enabled, false);
    QCOMPARE(json({ u"schedules"_s })[0][u"status"_s].toString(), u"Disabled"_s);
    QCOMPARE(run({ u"enable"_s, u"AMPCTL0"_s }).status, 0);
    QCOMPARE(m_tasks->task(u"AMPCTL0"_s)->enabled, true);
    QCOMPARE(run({ u"remove"_s, u"AMPCTL0"_s }).status, 0);
    QVERIFY(json({ u"schedules"_s }).isEmpty());
    QCOMPARE(m_changeNotices, 0); // time-based changes are not the window's network notice
}

void TestAmpctl::networkSchedulesByNameOrGuid()
{
    QCOMPARE(run({ u"schedule"_s, u"Power saver"_s, u"--network"_s, u"Home Wi-Fi"_s }).out, guidToText(m_home) + u'\n');
    QCOMPARE(m_changeNotices, 1);
    const Run again = run({ u"schedule"_s, u"Balanced"_s, u"--network"_s, guidToText(m_home) });
    QCOMPARE(again.status, 4);
    QVERIFY(again.err.contains(u"network \"Home Wi-Fi\" has a schedule already"_s));

    QJsonArray rows = json({ u"schedules"_s });
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][u"kind"_s].toString(), u"network"_s);
    QCOMPARE(rows[0][u"network"_s].toString(), u"Home Wi-Fi"_s);
    QCOMPARE(rows[0][u"plan"_s].toString(), u"Power saver"_s);

    QCOMPARE(run({ u"disable"_s, u"Home Wi-Fi"_s }).status, 0);
    QCOMPARE(json({ u"schedules"_s })[0][u"enabled"_s].toBool(), false);
    QCOMPARE(run({ u"enable"_s, guidToText(m_home) }).status, 0);
    QCOMPARE(json({ u"schedules"_s })[0][u"enabled"_s].toBool(), true);
    QCOMPARE(run({ u"remove"_s, u"Home Wi-Fi"_s }).status, 0);
    QVERIFY(json({ u"schedules"_s }).isEmpty());
    QVERIFY(!QFile::exists(sharedStrings().networkFile)); // the last removal deletes the file
    QCOMPARE(m_changeNotices, 4);

    const QJsonArray networks = json({ u"networks"_s });
    QCOMPARE(networks.size(), 3);
    QCOMPARE(networks[0][u"connected"_s].toBool(), true);
}

void TestAmpctl::onceTimeTheClockSkipsHasItsOwnStatus()
{
    // Clocks in Berlin go from 02:00 to 03:00 on 2090-03-26.
    const QByteArray oldZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const Run skipped = run({ u"schedule"_s, u"Balanced"_s, u"--once"_s, u"2090-03-26"_s, u"02:30"_s });
    const Run kept = run({ u"schedule"_s, u"Balanced"_s, u"--once"_s, u"2090-03-26"_s, u"03:30"_s });
    if (hadZone)
        qputenv("TZ", oldZone);
    else
        qunsetenv("TZ");
    tzset();

    QCOMPARE(skipped.status, 5);
    QCOMPARE(skipped.err,
        u"ampctl: 2090-03-26 02:30:00 never comes: the clock jumps over it when daylight saving starts\n"_s);
    QCOMPARE(kept.status, 0);
    QCOMPARE(m_tasks->tasks().size(), 1);
}

// The real binary on sysfs fixture trees, with the shipped language file.
void TestAmpctl::batteryShowsWhatThePopupShows()
{
    const auto ampctl = [](const char *sysfsCase, const QStringList &arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"AMPORA_SYSFS_ROOT"_s,
            TestEnvironment::sourceFile(u"platform/data/sysfs/"_s + QLatin1StringView(sysfsCase)));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s, arguments);
        Run outcome;
        if (process.waitForFinished(30000))
            outcome.status = process.exitCode();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    };

    const Run discharging = ampctl("discharging", { u"battery"_s });
    QCOMPARE(discharging.err, QString());
    QCOMPARE(discharging.status, 0);
    QCOMPARE(discharging.out,
        u"Battery status:  Discharging\n"
        "Power source:    Battery\n"
        "Remaining:       55%\n"
        "Lasts for:       1 h 1 min\n"_s);

    // Charging with no readable level: unknown values are null, and nothing claims a full battery.
    const Run charging = ampctl("charging-unknown-level", { u"--json"_s, u"battery"_s });
    QCOMPARE(charging.status, 0);
    const QJsonObject expected { { u"status"_s, u"Charging"_s }, { u"powerSource"_s, u"Plugged in"_s },
        { u"remaining"_s, u"N/A"_s }, { u"timeLeft"_s, QJsonValue() }, { u"acLine"_s, u"on"_s }, { u"battery"_s, true },
        { u"charging"_s, true }, { u"percent"_s, QJsonValue() }, { u"secondsLeft"_s, QJsonValue() } };
    QCOMPARE(QJsonDocument::fromJson(charging.out.toUtf8()).object(), expected);

    const QJsonObject onBattery
        = QJsonDocument::fromJson(ampctl("discharging", { u"--json"_s, u"battery"_s }).out.toUtf8()).object();
    QCOMPARE(onBattery[u"secondsLeft"_s].toInt(), 3660);
}

// A once time that has passed would never run: refused as a bad command line, as --help says.
// A unit damaged behind the program's back stays listed, and can be disabled and removed.
void TestAmpctl::realBinaryWritesUnitsSystemdAccepts()
{
    if (QStandardPaths::findExecutable(u"systemd-analyze"_s).isEmpty())
        QSKIP("systemd-analyze is needed to check the written units");
    const QString build = qEnvironmentVariable("AMPORA_BUILD_DIR");
    struct BinaryRun
    {
        int status = -1;
        QByteArray out;
        QByteArray err;
    };
    const auto ampctlRun = [&](const QStringList &arguments) {
        QProcess ampctl;
        ampctl.start(build + u"/ampctl"_s, arguments);
        if (!ampctl.waitForFinished(30000))
            return BinaryRun();
        return BinaryRun { ampctl.exitCode(), ampctl.readAllStandardOutput(), ampctl.readAllStandardError() };
    };
    const BinaryRun passed = ampctlRun({ u"schedule"_s, u"Power saver"_s, u"--once"_s, u"2020-01-01"_s, u"10:00"_s });
    QCOMPARE(passed.status, 2);
    QCOMPARE(passed.err, QByteArray("ampctl: 2020-01-01 10:00:00 has passed: --once needs a time still to come\n"));
    QVERIFY(ampctlRun({ u"--help"_s }).out.contains("a --once time that has passed"));

    const BinaryRun written
        = ampctlRun({ u"schedule"_s, u"Power saver"_s, u"--weekly"_s, u"Mon,Fri"_s, u"07:03:09"_s });
    QCOMPARE(written.err, QByteArray());
    QCOMPARE(written.status, 0);
    QCOMPARE(written.out, QByteArray("AMPCTL0\n"));

    const QString units = m_env->path(u"config/systemd/user"_s);
    const QByteArray service = TestEnvironment::readFile(units + u"/AMPCTL0.service"_s);
    QVERIFY2(service.contains(QFile::encodeName(build + u"/ampora"_s)), service.constData()); // never ampctl
    QVERIFY(!service.contains("ampctl "));
    QProcess verify;
    verify.start(
        u"systemd-analyze"_s, { u"--user"_s, u"verify"_s, units + u"/AMPCTL0.timer"_s, units + u"/AMPCTL0.service"_s });
    QVERIFY(verify.waitForFinished(30000));
    QCOMPARE(QString::fromLocal8Bit(verify.readAllStandardError()), QString());
    QCOMPARE(verify.exitCode(), 0);

    QFile timer(units + u"/AMPCTL0.timer"_s);
    QVERIFY(timer.open(QIODevice::Append));
    QVERIFY(timer.write("# \xff\n") > 0);
    timer.close();
    const BinaryRun listed = ampctlRun({ u"schedules"_s });
    QCOMPARE(listed.status, 0);
    QVERIFY2(listed.out.contains("AMPCTL0") && listed.out.contains("Cannot be read:") && listed.out.contains("UTF-8"),
        listed.out.constData());
    QCOMPARE(ampctlRun({ u"disable"_s, u"AMPCTL0"_s }).status, 0);
    QVERIFY(!QFileInfo(units + u"/timers.target.wants/AMPCTL0.timer"_s).isSymLink());
    QCOMPARE(ampctlRun({ u"remove"_s, u"AMPCTL0"_s }).status, 0);
    QCOMPARE(QDir(units).entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestAmpctl)
#include "TestAmpctl.moc"
