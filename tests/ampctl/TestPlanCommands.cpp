// ampctl's plan commands: against in-memory plans on a laptop and a desktop, read back through
// --json; and hostile names against the real scheme store.
#include "AmpctlCommands.h"
#include "AmpctlRun.h"
#include "FakeApplyBackends.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "Guid.h"
#include "NetworkScheduleFile.h"
#include "PlanSettings.h"
#include "PowerSettings.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <algorithm>

using Guid::guidToText;
using Guid::textToGuid;
using PowerSettings::powerSettingRows;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

namespace {

using Run = AmpctlRun;

enum class Machine { Laptop, Desktop, Unreadable };

const PowerSettingRow &rowOf(const QUuid &setting)
{
    for (const PowerSettingRow &row : powerSettingRows()) {
        if (row.setting == setting)
            return row;
    }
    qFatal("no such row");
}

// Everything a plan is, as the store gives it back.
QStringList snapshotOf(const PowerPlatform &platform)
{
    QStringList lines { u"active "_s + guidToText(platform.activeScheme().valueOr({})) };
    for (const QUuid &scheme : platform.schemes().valueOr({})) {
        lines.append(guidToText(scheme) + u' ' + platform.friendlyName(scheme).valueOr(u"?"_s) + u'|'
            + platform.description(scheme).valueOr(u"?"_s));
        for (const PowerSettingRow &row : powerSettingRows()) {
            for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
                lines.append(QString::number(
                    platform.valueIndex(source, scheme, row.subgroup, row.setting).valueOr(kUnreadableValue)));
            }
        }
    }
    return lines;
}

Run runOn(PowerPlatform &platform, TaskService &tasks, Machine machine, const QStringList &arguments)
{
    const FakeBatteryStatusReader battery;
    const FakeNetworkList networks;
    FakeCapabilityReader capabilities;
    if (machine == Machine::Laptop)
        capabilities.capabilities = { true, true, true, true, true };
    else if (machine == Machine::Desktop)
        capabilities.capabilities.powerButton = true;
    else
        capabilities.errorCode = 2;
    FakeApplyBackends appliers;
    return runAmpctl(
        { { platform, tasks, networks, battery, capabilities }, u"/opt/ampora/bin/ampora"_s, [] {}, appliers.seam() },
        arguments);
}

} // namespace

class TestPlanCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void showListsEveryOfferedSettingOfTheMachine();
    void valuesThatShowAsUnsetOrTruncate();
    void setValueStoresWhatGetShows_data();
    void setValueStoresWhatGetShows();
    void changingTheActivePlanAppliesItAgain();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void createRenameAndDescribe();
    void deleteRefusesPlansInUseAndGoesByGuid();
    void hostileNamesLeaveTheRealStoreIntact();
    void realAmpctlSaysWhatItCannotRead();
    void concurrentCreatesOfOneNameMakeOnePlan();
    void deleteRacingScheduleLeavesNoScheduleWithoutItsPlan();

private:
    Run run(const QStringList &arguments, Machine machine = Machine::Laptop);
    QJsonObject json(const QStringList &arguments, Machine machine = Machine::Laptop);
    void writeValue(const QUuid &plan, const QUuid &setting, PowerSource source, quint32 value);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    QUuid m_balanced;
    QUuid m_saver;
};

void TestPlanCommands::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(QFile::copy(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctleng.ini"_s, sharedStrings().languageFile));
    m_platform = std::make_unique<FakePowerPlatform>();
    m_tasks = std::make_unique<FakeTaskService>();
    m_balanced = m_platform->addScheme(u"Balanced"_s, u"Everyday use"_s);
    m_saver = m_platform->addScheme(u"Power saver"_s, u"Longer on battery"_s);
    // Every value the default plans start with.
    for (const PowerSettingRow &row : powerSettingRows()) {
        for (const auto &[plan, values] : { std::pair(m_balanced, row.balanced), std::pair(m_saver, row.powerSaver) }) {
            writeValue(plan, row.setting, PowerSource::Ac, values.ac);
            writeValue(plan, row.setting, PowerSource::Dc, values.dc);
        }
    }
    m_platform->setActiveDirectly(m_balanced);
}

Run TestPlanCommands::run(const QStringList &arguments, Machine machine)
{
    return runOn(*m_platform, *m_tasks, machine, arguments);
}

QJsonObject TestPlanCommands::json(const QStringList &arguments, Machine machine)
{
    const Run outcome = run(QStringList { u"--json"_s } + arguments, machine);
    if (outcome.status != 0)
        qWarning("%s", qPrintable(outcome.err));
    return QJsonDocument::fromJson(outcome.out.toUtf8()).object();
}

void TestPlanCommands::writeValue(const QUuid &plan, const QUuid &setting, PowerSource source, quint32 value)
{
    const PowerSettingRow &row = rowOf(setting);
    QVERIFY(m_platform->writeValueIndex(source, plan, row.subgroup, row.setting, value).ok());
}

void TestPlanCommands::showListsEveryOfferedSettingOfTheMachine()
{
    const QJsonObject plan = json({ u"show"_s, u"Power saver"_s });
    QCOMPARE(plan[u"guid"_s].toString(), guidToText(m_saver));
    QCOMPARE(plan[u"description"_s].toString(), u"Longer on battery"_s);
    QCOMPARE(plan[u"active"_s].toBool(), false);
    QCOMPARE(json({ u"show"_s, guidToText(m_balanced) })[u"active"_s].toBool(), true);

    // Each row as "name ac dc", in table order.
    QStringList rows;
    for (const QJsonValue &setting : plan[u"settings"_s].toArray()) {
        rows.append(setting[u"name"_s].toString() + u' ' + setting[u"ac"_s][u"text"_s].toString() + u' '
            + setting[u"dc"_s][u"text"_s].toString());
    }
    QCOMPARE(rows.join(u", "_s),
        u"power-button suspend suspend, sleep-button suspend suspend, lid suspend suspend, dim 2min 1min, "
        "display-off 5min 2min, disk-off 10min 5min, sleep 15min 10min, hibernate 3h 1h, lock-on-wake on on, "
        "brightness 70% 40%, performance-profile power-saver power-saver"_s);
    QCOMPARE(plan[u"settings"_s][7][u"ac"_s][u"value"_s].toInteger(), 10800);

    const Run text = run({ u"show"_s, u"Power saver"_s });
    QCOMPARE(text.status, 0);
    QVERIFY2(text.out.startsWith(u"Name:         Power saver\n"_s), qPrintable(text.out));
    QVERIFY(text.out.contains(u"\nhibernate            3h           1h           Hibernate after\n"_s));

    // A desktop has fewer settings and no battery values.
    QStringList names;
    for (const QJsonValue &setting : json({ u"show"_s, u"Balanced"_s }, Machine::Desktop)[u"settings"_s].toArray()) {
        names.append(setting[u"name"_s].toString());
        QVERIFY(setting[u"ac"_s].isObject());
        QVERIFY(!setting.toObject().contains(u"dc"_s));
    }
    QCOMPARE(names,
        (QStringList { u"power-button"_s, u"display-off"_s, u"disk-off"_s, u"sleep"_s, u"hibernate"_s,
            u"lock-on-wake"_s, u"performance-profile"_s }));
    QCOMPARE(run({ u"get"_s, u"Balanced"_s, u"display-off"_s }, Machine::Desktop).out, u"AC  10min\n"_s);
    QCOMPARE(run({ u"get"_s, u"Balanced"_s, u"display-off"_s }).out, u"AC  10min\nDC  5min\n"_s);
}

void TestPlanCommands::valuesThatShowAsUnsetOrTruncate()
{
    writeValue(m_balanced, GUID_VIDEO_POWERDOWN_TIMEOUT, PowerSource::Ac, 90);
    writeValue(m_balanced, GUID_VIDEO_POWERDOWN_TIMEOUT, PowerSource::Dc, 0);
    writeValue(m_balanced, GUID_LIDCLOSE_ACTION, PowerSource::Ac, 4);
    writeValue(m_balanced, GUID_STANDBY_TIMEOUT, PowerSource::Ac, kUnreadableValue);
    const QJsonObject displayOff = json({ u"get"_s, u"Balanced"_s, u"display-off"_s });
    QCOMPARE(displayOff[u"ac"_s].toObject(), (QJsonObject { { u"text"_s, u"1min"_s }, { u"value"_s, 90 } }));
    QCOMPARE(displayOff[u"dc"_s].toObject(), (QJsonObject { { u"text"_s, u"never"_s }, { u"value"_s, 0 } }));
    const QJsonObject lid = json({ u"get"_s, u"Balanced"_s, u"lid"_s });
    QCOMPARE(lid[u"ac"_s].toObject(), (QJsonObject { { u"text"_s, u"unset"_s }, { u"value"_s, 4 } }));
    QCOMPARE(json({ u"get"_s, u"Balanced"_s, u"sleep"_s })[u"ac"_s].toObject(),
        (QJsonObject { { u"text"_s, u"unset"_s }, { u"value"_s, qint64(kUnreadableValue) } }));

    // A plan the store has no values for: every value is unset, with no raw value.
    m_platform->addScheme(u"Bare"_s);
    for (const QJsonValue &setting : json({ u"show"_s, u"Bare"_s })[u"settings"_s].toArray()) {
        for (const QString &source : { u"ac"_s, u"dc"_s }) {
            QCOMPARE(
                setting[source].toObject(), (QJsonObject { { u"text"_s, u"unset"_s }, { u"value"_s, QJsonValue() } }));
        }
    }
}

void TestPlanCommands::setValueStoresWhatGetShows_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("given");
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bare minutes") << u"dim"_s << u"15"_s << 900u << u"15min"_s;
    QTest::newRow("hours and minutes") << u"sleep"_s << u"1h 30min"_s << 5400u << u"1h 30min"_s;
    QTest::newRow("never") << u"disk-off"_s << u"never"_s << 0u << u"never"_s;
    QTest::newRow("longest timeout") << u"hibernate"_s << u"30000000"_s << 1'800'000'000u << u"500000h"_s;
    QTest::newRow("sleep is suspend") << u"sleep-button"_s << u"Sleep"_s << 1u << u"suspend"_s;
    QTest::newRow("hibernate") << u"power-button"_s << u"hibernate"_s << 2u << u"hibernate"_s;
    QTest::newRow("percent") << u"brightness"_s << u"70%"_s << 70u << u"70%"_s;
}

void TestPlanCommands::setValueStoresWhatGetShows()
{
    QFETCH(QString, setting);
    QFETCH(QString, given);
    QFETCH(quint32, stored);
    QFETCH(QString, shown);
    const QJsonObject before = json({ u"show"_s, u"Power saver"_s });
    const Run set = run({ u"set-value"_s, u"Power saver"_s, setting, u"--dc"_s, given });
    QCOMPARE(set.err, QString());
    QCOMPARE(set.status, 0);
    const QJsonObject got = json({ u"get"_s, u"Power saver"_s, setting });
    QCOMPARE(got[u"dc"_s].toObject(), (QJsonObject { { u"text"_s, shown }, { u"value"_s, qint64(stored) } }));
    // What show prints is taken back unchanged, and the mains value is left alone.
    QCOMPARE(run({ u"set-value"_s, u"Power saver"_s, setting, u"--ac"_s, shown }).status, 0);
    QCOMPARE(json({ u"get"_s, u"Power saver"_s, setting })[u"ac"_s][u"value"_s].toInteger(), qint64(stored));
    QJsonArray settings = before[u"settings"_s].toArray();
    for (qsizetype i = 0; i < settings.size(); ++i) {
        if (settings[i][u"name"_s].toString() == setting) {
            QJsonObject changed = settings[i].toObject();
            changed[u"ac"_s] = got[u"dc"_s];
            changed[u"dc"_s] = got[u"dc"_s];
            settings[i] = changed;
        }
    }
    QCOMPARE(json({ u"show"_s, u"Power saver"_s })[u"settings"_s].toArray(), settings);
}

void TestPlanCommands::changingTheActivePlanAppliesItAgain()
{
    QCOMPARE(run({ u"set-value"_s, u"Power saver"_s, u"lid"_s, u"--ac"_s, u"nothing"_s }).status, 0);
    QCOMPARE(m_platform->setActiveCalls(), 0);
    QCOMPARE(
        run({ u"set-value"_s, u"Balanced"_s, u"lid"_s, u"--ac"_s, u"nothing"_s, u"--dc"_s, u"shutdown"_s }).status, 0);
    QCOMPARE(m_platform->setActiveCalls(), 1);
    QCOMPARE(m_platform->activeScheme().valueOr({}), m_balanced);
    QCOMPARE(json({ u"get"_s, u"Balanced"_s, u"lid"_s })[u"dc"_s][u"text"_s].toString(), u"shutdown"_s);

    m_platform->refuseActivation(true);
    const Run refused = run({ u"set-value"_s, u"Balanced"_s, u"dim"_s, u"--ac"_s, u"3"_s });
    QCOMPARE(refused.status, 1);
    QCOMPARE(
        refused.err, u"ampctl: dim is written, but the active plan could not be applied again: activation refused\n"_s);
    QCOMPARE(json({ u"get"_s, u"Balanced"_s, u"dim"_s })[u"ac"_s][u"value"_s].toInteger(), 180);
}

void TestPlanCommands::refusalsChangeNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Machine>("machine");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const auto row
        = [](const char *name, const QStringList &arguments, int status, const QString &message,
              Machine machine = Machine::Laptop) { QTest::newRow(name) << arguments << machine << status << message; };
    const QString balanced = u"Balanced"_s;
    const QString minutes = u"use never or whole minutes from 0 to 30000000, such as 15min, 90 or 1h 30min"_s;

    row("show: unknown plan", { u"show"_s, u"Turbo"_s }, 3, u"no power plan named \"Turbo\""_s);
    row("get: unknown setting", { u"get"_s, balanced, u"turbo"_s }, 2,
        u"unknown setting \"turbo\"; use one of power-button, sleep-button"_s);
    row("set-value: no value", { u"set-value"_s, balanced, u"lid"_s }, 2, u"set-value needs --ac VALUE, --dc VALUE"_s);
    row("set-value: seconds", { u"set-value"_s, balanced, u"dim"_s, u"--ac"_s, u"15s"_s }, 2,
        u"bad value \"15s\" for dim: "_s + minutes);
    row("set-value: too long", { u"set-value"_s, balanced, u"sleep"_s, u"--dc"_s, u"30000001min"_s }, 2,
        u"bad value \"30000001min\" for sleep: "_s + minutes);
    row("set-value: action", { u"set-value"_s, balanced, u"lid"_s, u"--ac"_s, u"1"_s }, 2,
        u"bad value \"1\" for lid: use nothing, suspend (or sleep), hibernate or shutdown"_s);
    row("set-value: lock", { u"set-value"_s, balanced, u"lock-on-wake"_s, u"--dc"_s, u"yes"_s }, 2,
        u"bad value \"yes\" for lock-on-wake: use on or off"_s);
    row("set-value: good ac, bad dc",
        { u"set-value"_s, balanced, u"brightness"_s, u"--ac"_s, u"5"_s, u"--dc"_s, u"5.5"_s }, 2,
        u"bad value \"5.5\" for brightness"_s);
    row("--from outside create", { u"rename"_s, balanced, u"X"_s, u"--from"_s, balanced }, 2,
        u"--from belongs to the create command"_s);

    row("desktop: get lid", { u"get"_s, balanced, u"lid"_s }, 7, u"this machine does not offer the setting lid"_s,
        Machine::Desktop);
    row("desktop: battery value", { u"set-value"_s, balanced, u"sleep"_s, u"--ac"_s, u"5"_s, u"--dc"_s, u"5"_s }, 7,
        u"this machine has no battery, so sleep has no --dc value"_s, Machine::Desktop);

    row("create: empty name", { u"create"_s, u""_s }, 2, u"a power plan's name cannot be empty"_s);
    row("create: taken name", { u"create"_s, u"power SAVER"_s }, 4,
        u"the name \"power SAVER\" is taken: a power plan is named \"Power saver\""_s);
    row("create: taken with blanks", { u"create"_s, u" Balanced "_s }, 4, u"the name \"Balanced\" is taken"_s);

    row("delete: active plan", { u"delete"_s, balanced }, 6,
        u"\"Balanced\" is the active power plan; make another plan active first"_s);
}

void TestPlanCommands::refusalsChangeNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(Machine, machine);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QStringList before = snapshotOf(*m_platform);
    const Run outcome = run(arguments, machine);
    QCOMPARE(outcome.status, status);
    QVERIFY2(outcome.err.startsWith(u"ampctl: "_s) && outcome.err.contains(message), qPrintable(outcome.err));
    QCOMPARE(outcome.err.count(u'\n'), 1);
    QVERIFY(outcome.out.isEmpty());
    QCOMPARE(snapshotOf(*m_platform), before);
    QCOMPARE(m_platform->setActiveCalls(), 0);
}

void TestPlanCommands::createRenameAndDescribe()
{
    const Run created = run({ u"create"_s, u"Travel"_s });
    QCOMPARE(created.err, QString());
    QCOMPARE(created.status, 0);
    const std::optional<QUuid> travel = textToGuid(created.out.chopped(1));
    QVERIFY2(travel && created.out.endsWith(u'\n'), qPrintable(created.out));
    const QJsonObject copy = json({ u"show"_s, guidToText(*travel) });
    QCOMPARE(copy[u"name"_s].toString(), u"Travel"_s);
    QCOMPARE(copy[u"description"_s].toString(), u"Created using Ampora"_s);
    QCOMPARE(copy[u"active"_s].toBool(), false);
    QCOMPARE(copy[u"settings"_s], json({ u"show"_s, u"Balanced"_s })[u"settings"_s]);
    QCOMPARE(m_platform->activeScheme().valueOr({}), m_balanced);

    const QJsonObject fromSaver = json({ u"create"_s, u"Quiet"_s, u"--from"_s, u"Power saver"_s });
    QCOMPARE(fromSaver[u"name"_s].toString(), u"Quiet"_s);
    QCOMPARE(json({ u"show"_s, fromSaver[u"guid"_s].toString() })[u"settings"_s],
        json({ u"show"_s, u"Power saver"_s })[u"settings"_s]);
    QCOMPARE(m_platform->storedSchemes().size(), 4);
    QCOMPARE(m_platform->setActiveCalls(), 0);

    QCOMPARE(run({ u"rename"_s, u"Balanced"_s, u"BALANCED"_s }).status, 0); // its own name in another case
    QCOMPARE(run({ u"rename"_s, guidToText(m_saver), u"Long haul"_s }).status, 0);
    QCOMPARE(run({ u"describe"_s, u"Long haul"_s, u"For trains"_s }).status, 0);
    QCOMPARE(run({ u"describe"_s, u"BALANCED"_s, u""_s }).status, 0);
    const QJsonObject saver = json({ u"show"_s, guidToText(m_saver) });
    QCOMPARE(saver[u"name"_s].toString(), u"Long haul"_s);
    QCOMPARE(saver[u"description"_s].toString(), u"For trains"_s);
    const QJsonObject balanced = json({ u"show"_s, guidToText(m_balanced) });
    QCOMPARE(balanced[u"name"_s].toString(), u"BALANCED"_s);
    QCOMPARE(balanced[u"description"_s].toString(), QString());
}

void TestPlanCommands::deleteRefusesPlansInUseAndGoesByGuid()
{
    QCOMPARE(run({ u"schedule"_s, u"Power saver"_s, u"--daily"_s, u"07:00"_s }).status, 0);
    NetworkList::Network home { u"Home"_s, QUuid::createUuid(), true };
    QVERIFY(saveNetworkSchedule(*m_platform, home, PowerPlan { u"Power saver"_s, {}, m_saver }).ok());
    const QStringList before = snapshotOf(*m_platform);

    // A schedule is checked before the active plan, and a time-based one is named first.
    m_platform->setActiveDirectly(m_saver);
    const Run timed = run({ u"delete"_s, u"Power saver"_s });
    QCOMPARE(timed.status, 6);
    QCOMPARE(timed.err,
        u"ampctl: a time-based schedule uses the power plan \"Power saver\"; remove the schedule first (see ampctl "
        u"schedules)\n"_s);
    m_platform->setActiveDirectly(m_balanced);
    QCOMPARE(run({ u"remove"_s, u"AMPCTL0"_s }).status, 0);
    const Run networked = run({ u"delete"_s, u"Power saver"_s });
    QCOMPARE(networked.status, 6);
    QVERIFY(networked.err.startsWith(u"ampctl: a network-based schedule uses the power plan \"Power saver\""_s));
    QCOMPARE(snapshotOf(*m_platform), before);
    QVERIFY(removeNetworkSchedule(*m_platform, home.guid).ok());

    // Two plans of one name: the name fits neither, the GUID deletes exactly one.
    const QUuid twin = m_platform->addScheme(u"Power saver"_s);
    const Run ambiguous = run({ u"delete"_s, u"Power saver"_s });
    QCOMPARE(ambiguous.status, 3);
    QVERIFY(ambiguous.err.contains(u"2 power plans are named \"Power saver\"; use the GUID"_s));
    QCOMPARE(run({ u"delete"_s, guidToText(twin) }).status, 0);
    QCOMPARE(m_platform->storedSchemes().size(), 2);
    QCOMPARE(m_platform->storedSchemes().last().guid, m_saver);
    QCOMPARE(run({ u"delete"_s, u"Power saver"_s }).status, 0);
    QCOMPARE(m_platform->storedSchemes().size(), 1);

    // A task service that cannot answer cannot vouch that no schedule uses the plan.
    const QUuid spare = m_platform->addScheme(u"Spare"_s);
    m_tasks->setUnreachable(true);
    const Run unsure = run({ u"delete"_s, u"Spare"_s });
    QCOMPARE(unsure.status, 1);
    QVERIFY(unsure.err.startsWith(u"ampctl: cannot tell whether a schedule uses \"Spare\""_s));
    QVERIFY(m_platform->friendlyName(spare).ok());
}

void TestPlanCommands::hostileNamesLeaveTheRealStoreIntact()
{
    SchemeStore store(sharedStrings().schemeStoreFile);
    FakeTaskService tasks;
    const auto ampctl = [&](const QStringList &arguments) { return runOn(store, tasks, Machine::Laptop, arguments); };
    const auto sections = [] {
        const QList<QByteArray> lines = TestEnvironment::readFile(sharedStrings().schemeStoreFile).split('\n');
        return std::count_if(
            lines.cbegin(), lines.cend(), [](const QByteArray &line) { return line.trimmed().startsWith('['); });
    };
    QVERIFY(ampctl({ u"set-value"_s, u"Power saver"_s, u"dim"_s, u"--ac"_s, u"7"_s }).status == 0);
    const QStringList before = snapshotOf(store);
    const QList<QUuid> plans = store.schemes().valueOr({});
    QCOMPARE(plans.size(), 3);
    const QString balancedSection = guidToText(plans.first());

    // Names that look like INI syntax, or that are very long, are kept exactly.
    const QStringList usable { u"[Store]"_s, u"["_s + balancedSection + u"]"_s, u"Active="_s + guidToText(plans.last()),
        u"x=y]=[z"_s, u"; comment"_s, QString(200, u'n') + u"=["_s };
    QList<QUuid> created;
    for (qsizetype i = 0; i < usable.size(); ++i) {
        const Run outcome = ampctl({ u"create"_s, u"--"_s, u"tmp %1"_s.arg(i) });
        QCOMPARE(outcome.status, 0);
        created.append(textToGuid(outcome.out.trimmed()).value_or(QUuid()));
        QCOMPARE(ampctl({ u"rename"_s, outcome.out.trimmed(), usable.at(i) }).status, 0);
        QCOMPARE(ampctl({ u"describe"_s, outcome.out.trimmed(), usable.at(i) }).status, 0);
    }

    // Line breaks are refused and leave nothing behind.
    const QStringList broken { u"Evil\n[Store]\nActive="_s + guidToText(plans.last()), u"cr\rName=x"_s,
        u"nul\0here"_s };
    for (const QString &text : broken) {
        for (const QStringList &arguments :
            { QStringList { u"create"_s, u"--"_s, text }, QStringList { u"rename"_s, u"Balanced"_s, text },
                QStringList { u"describe"_s, u"Balanced"_s, text } }) {
            const Run refused = ampctl(arguments);
            QCOMPARE(refused.status, 2);
            QVERIFY2(refused.err.contains(u"a plan's texts cannot hold line breaks or NUL characters"_s),
                qPrintable(refused.err));
            QCOMPARE(refused.err.count(u'\n'), 1);
        }
    }

    // A name a terminal would act on, or longer than any name: refused in every command.
    for (const QString &name : { u"tab\there"_s, u"\x1b[31m red"_s, u"next\u2028line"_s, u"n\x85l"_s }) {
        for (const QStringList &arguments :
            { QStringList { u"create"_s, u"--"_s, name }, QStringList { u"rename"_s, u"Balanced"_s, name } }) {
            const Run refused = ampctl(arguments);
            QCOMPARE(refused.status, 2);
            QCOMPARE(
                refused.err, u"ampctl: a power plan's name cannot hold tabs, escapes or other control characters\n"_s);
        }
    }
    QCOMPARE(ampctl({ u"rename"_s, u"Balanced"_s, QString(257, u'n') }).status, 2);
    QCOMPARE(ampctl({ u"describe"_s, u"Balanced"_s, QString(2049, u'n') }).status, 2);

    // Read back by a second store from the file alone.
    SchemeStore reread(sharedStrings().schemeStoreFile);
    QCOMPARE(reread.schemes().valueOr({}).size(), 3 + created.size());
    for (qsizetype i = 0; i < usable.size(); ++i) {
        QCOMPARE(reread.friendlyName(created.at(i)).valueOr({}), usable.at(i));
        QCOMPARE(reread.description(created.at(i)).valueOr({}), usable.at(i));
    }
    QStringList after = snapshotOf(reread);
    QCOMPARE(after.mid(0, before.size()), before);
    QCOMPARE(sections(), 1 + 3 + created.size());
}

void TestPlanCommands::realAmpctlSaysWhatItCannotRead()
{
    // A folder where the store should be: no command may pass that off as "no plans".
    const QString store = sharedStrings().schemeStoreFile;
    QVERIFY(QDir().mkpath(store));
    for (const QStringList &arguments : { QStringList { u"list"_s }, QStringList { u"--json"_s, u"list"_s },
             QStringList { u"show"_s, u"Balanced"_s }, QStringList { u"delete"_s, u"Balanced"_s },
             QStringList { u"set"_s, u"Balanced"_s }, QStringList { u"create"_s, u"Travel"_s },
             QStringList { u"schedule"_s, u"Balanced"_s, u"--daily"_s, u"07:00"_s } }) {
        const Run outcome = runAmpctlBinary(arguments);
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.out, QString());
        QVERIFY2(outcome.err.contains(u"ampctl: cannot read the power plans: the plan store "_s + store),
            qPrintable(outcome.err));
    }
    QVERIFY(QFileInfo(store).isDir());

    // A plan without a name is left out of the list, with a word.
    QVERIFY(QDir(store).removeRecursively());
    QCOMPARE(SchemeStore(store).schemes().valueOr({}).size(), 3);
    QByteArray bytes = TestEnvironment::readFile(store);
    QVERIFY(bytes.contains("Name=Power saver\n"));
    m_env->writeFile(u"config/ampora/schemes.ini"_s, bytes.replace("Name=Power saver\n", ""));
    const Run listed = runAmpctlBinary({ u"list"_s });
    QCOMPARE(listed.status, 0);
    QCOMPARE(listed.out.count(u'\n'), 2);
    QCOMPARE(listed.err,
        u"ampctl: the power plan {A1841308-3541-4FAB-BC81-F71556F20B4A} is not listed: the power plan "
        u"{A1841308-3541-4FAB-BC81-F71556F20B4A} has no name\n"_s);

    const QString help = runAmpctlBinary({ u"--help"_s }).out;
    QVERIFY(help.contains(u"\n  1  a file, the plan store or the task folder could not be read, locked or written"_s));
}

void TestPlanCommands::concurrentCreatesOfOneNameMakeOnePlan()
{
    SchemeStore store(sharedStrings().schemeStoreFile);
    QCOMPARE(store.schemes().valueOr({}).size(), 3);
    std::vector<std::unique_ptr<QProcess>> creators;
    for (int n = 0; n < 6; ++n)
        creators.push_back(startAmpctlBinary({ u"create"_s, n % 2 ? u"Same"_s : u"SAME "_s }));
    QList<int> statuses;
    for (const std::unique_ptr<QProcess> &creator : creators)
        statuses.append(finishAmpctlBinary(*creator).status);
    std::sort(statuses.begin(), statuses.end());
    QCOMPARE(statuses, (QList<int> { 0, 4, 4, 4, 4, 4 }));
    QCOMPARE(store.schemes().valueOr({}).size(), 4);
}

void TestPlanCommands::deleteRacingScheduleLeavesNoScheduleWithoutItsPlan()
{
    const QString units = m_env->path(u"config/systemd/user"_s);
    // Forty rounds: before both took the data lock, most of them left a schedule without its plan.
    for (int round = 0; round < 40; ++round) {
        const QString name = u"Doomed %1"_s.arg(round);
        const Run created = runAmpctlBinary({ u"create"_s, name });
        QCOMPARE(created.status, 0);
        const std::unique_ptr<QProcess> deleter = startAmpctlBinary({ u"delete"_s, name });
        const std::unique_ptr<QProcess> scheduler
            = startAmpctlBinary({ u"schedule"_s, name, u"--daily"_s, u"07:00"_s });
        const Run deleted = finishAmpctlBinary(*deleter);
        const Run scheduled = finishAmpctlBinary(*scheduler);
        // One of them comes first and the other one sees what it did.
        const bool deleteFirst = deleted.status == 0 && scheduled.status == 3;
        const bool scheduleFirst = scheduled.status == 0 && deleted.status == 6;
        QVERIFY2(deleteFirst || scheduleFirst, qPrintable(deleted.err + scheduled.err));
        QByteArray services;
        for (const QString &file : QDir(units).entryList({ u"*.service"_s }))
            services += TestEnvironment::readFile(units + u'/' + file);
        QCOMPARE(services.contains(created.out.trimmed().toLatin1()), scheduleFirst);
    }
}

QTEST_GUILESS_MAIN(TestPlanCommands)
#include "TestPlanCommands.moc"
