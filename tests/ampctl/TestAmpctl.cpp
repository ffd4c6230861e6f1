// SPDX-License-Identifier: GPL-3.0-or-later
// ampctl's commands against in-memory plans, tasks, networks and appliers, read back through
// --json; and its command table against --help, the manual page and the shell completion.
#include "AmpctlCommandTable.h"
#include "AmpctlRun.h"
#include "Guid.h"
#include "NetworkScheduleFile.h"
#include "PlanSettings.h"
#include "PowerSettings.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using Guid::textToGuid;
using PowerSettings::powerSettingRows;

using Guid::guidToText;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

class TestAmpctl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        // The shipped language file, so listings carry the texts users will see.
        QVERIFY(
            QFile::copy(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctleng.ini"_s, sharedStrings().languageFile));
        m_bench = std::make_unique<AmpctlBench>();
        m_balanced = m_bench->fakePlatform.addScheme(u"Balanced"_s, u"Everyday use"_s);
        m_saver = m_bench->fakePlatform.addScheme(u"Power saver"_s, u"Longer on battery"_s);
        // Every value the default plans start with.
        for (const PowerSettingRow &row : powerSettingRows()) {
            for (const auto &[plan, values] :
                { std::pair(m_balanced, row.balanced), std::pair(m_saver, row.powerSaver) }) {
                writeValue(plan, row.setting, PowerSource::Ac, values.ac);
                writeValue(plan, row.setting, PowerSource::Dc, values.dc);
            }
        }
        m_bench->fakePlatform.setActiveDirectly(m_balanced);
    }

    void commandTableIsWhatHelpManualAndCompletionTell()
    {
        const QString help = m_bench->run({ u"--help"_s }).out;
        const QString manual
            = QString::fromUtf8(TestEnvironment::readFile(TestEnvironment::sourceFile(u"../docs/ampctl.1"_s)));
        for (const AmpctlCommand &command : ampctlCommands()) {
            for (const AmpctlCommand::Form &form : command.forms)
                QVERIFY2(help.contains(u"\n  "_s + form.synopsis), qPrintable(form.synopsis));
            // A command's entry in the manual starts ".B name", ".BI name " or "\fBname\fP".
            const QString name = QRegularExpression::escape(QString(command.name).replace(u"-"_s, u"\\-"_s));
            QVERIFY2(manual.contains(QRegularExpression(u"\n(\\.BI? |\\\\fB)%1( |\n|\\\\fP)"_s.arg(name))),
                qPrintable(command.name));
        }
        QVERIFY(help.contains(
            u"\n  create NAME [--from PLAN]  Copy the active plan, or PLAN, into a new plan named NAME and\n"
            "                             print its GUID."_s));

        const auto complete
            = [&](const QStringList &words) { return m_bench->run(QStringList { u"--complete"_s } + words).out; };
        QCOMPARE(complete({ u"se"_s }), u"set\nset-value\n"_s);
        QCOMPARE(complete({ u"--json"_s, u"set"_s, u"P"_s }), u"Power saver\n"_s);
        QCOMPARE(complete({ u"get"_s, u"Balanced"_s, u"l"_s }), u"lid\nlock-on-wake\n"_s);
        QCOMPARE(complete({ u"set-value"_s, u"Balanced"_s, u"lid"_s, u"--dc"_s, u""_s }),
            u"nothing\nsuspend\nhibernate\nshutdown\n"_s);
        QCOMPARE(complete({ u"create"_s, u"--from"_s, u"B"_s }), u"Balanced\n"_s);
        QCOMPARE(complete({ u"schedule"_s, u"Balanced"_s, u"--w"_s }), u"--wake\n--weekly\n"_s);
        QCOMPARE(complete({ u"set"_s, u"Balanced"_s, u""_s }), QString());
    }

    void listsPlansAndSetsTheActiveOne()
    {
        const QJsonArray plans = m_bench->json({ u"list"_s }).toArray();
        QCOMPARE(plans.size(), 2);
        QCOMPARE(plans[0].toObject(),
            (QJsonObject { { u"guid"_s, guidToText(m_balanced) }, { u"name"_s, u"Balanced"_s },
                { u"description"_s, u"Everyday use"_s }, { u"active"_s, true } }));
        QCOMPARE(plans[1][u"active"_s].toBool(), false);
        QCOMPARE(
            m_bench->run({ u"list"_s }).out.split(u'\n').first(), u"*  "_s + guidToText(m_balanced) + u"  Balanced"_s);

        // set takes a name or a GUID.
        QCOMPARE(m_bench->run({ u"set"_s, u"Power saver"_s }).status, 0);
        QCOMPARE(m_bench->fakePlatform.activeScheme().valueOr({}), m_saver);
        QCOMPARE(m_bench->run({ u"set"_s, guidToText(m_balanced) }).status, 0);
        QCOMPARE(m_bench->json({ u"active"_s })[u"name"_s].toString(), u"Balanced"_s);
    }

    void namesFromOutsideCannotSteerTheTerminal()
    {
        // A plan whose name looks like an option, and a network name chosen by a stranger.
        const QUuid eco = m_bench->fakePlatform.addScheme(u"-Eco"_s);
        QCOMPARE(m_bench->run({ u"set"_s, u"--"_s, u"-Eco"_s }).status, 0);
        QCOMPARE(m_bench->fakePlatform.activeScheme().valueOr({}), eco);

        const QString hostile = u"Free\x1b[31mWiFi\nFAKE ROW\u0085"_s;
        m_bench->networks.addNetwork(hostile);
        const AmpctlRun table = m_bench->run({ u"networks"_s });
        QCOMPARE(table.out,
            u"  "_s + guidToText(m_bench->networks.networks().first().guid)
                + u"  Free\\x1b[31mWiFi\\nFAKE ROW\\x85\n"_s);
        const AmpctlRun missing = m_bench->run({ u"schedule"_s, u"Balanced"_s, u"--network"_s, u"\x1b]0;title\x07"_s });
        QVERIFY(!missing.err.contains(u'\x1b') && !missing.err.contains(u'\x07'));
        // JSON carries the name exactly; its own escaping keeps it safe.
        QCOMPARE(m_bench->json({ u"networks"_s })[0][u"name"_s].toString(), hostile);
    }

    // Each row of data/refusals.json: a command line, the machine it runs on, the status and a part of
    // the one line ampctl says.
    void refusalsSayOneLineAndChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Machine>("machine");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QByteArray rows = TestEnvironment::readFile(TestEnvironment::sourceFile(u"ampctl/data/refusals.json"_s));
        QVERIFY2(!rows.isEmpty(), "ampctl/data/refusals.json was not found");
        for (const QJsonValue row : QJsonDocument::fromJson(rows).array()) {
            const QString machine = row[u"machine"_s].toString();
            QTest::newRow(qPrintable(row[u"row"_s].toString()))
                << row[u"arguments"_s].toVariant().toStringList()
                << (machine == u"desktop"             ? Machine::Desktop
                           : machine == u"unreadable" ? Machine::Unreadable
                                                      : Machine::Laptop)
                << row[u"status"_s].toInt() << row[u"says"_s].toString();
        }
    }

    void refusalsSayOneLineAndChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Machine, machine);
        QFETCH(int, status);
        QFETCH(QString, message);
        m_bench->networks.addNetwork(u"Twin"_s);
        m_bench->networks.addNetwork(u"Twin"_s);
        m_bench->machine = machine;
        const QList<FakePowerPlatform::Scheme> before = m_bench->fakePlatform.storedSchemes();
        const AmpctlRun outcome = m_bench->run(arguments);
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.err.startsWith(u"ampctl: "_s) && outcome.err.contains(message), qPrintable(outcome.err));
        QCOMPARE(outcome.err.count(u'\n'), 1);
        QVERIFY(outcome.out.isEmpty());
        QVERIFY(m_bench->fakePlatform.storedSchemes() == before);
        QCOMPARE(m_bench->fakePlatform.setActiveCalls(), 0);
        QVERIFY(m_bench->tasks.tasks().isEmpty());
    }

    // Writing, listing and changing time-based schedules is TestAmpctlBinary's, on real units.
    void networkSchedulesByNameOrGuid()
    {
        const QUuid home = m_bench->networks.addNetwork(u"Home Wi-Fi"_s, true);
        QCOMPARE(m_bench->run({ u"schedule"_s, u"Power saver"_s, u"--network"_s, u"Home Wi-Fi"_s }).out,
            guidToText(home) + u'\n');
        QCOMPARE(m_bench->networkNotices, 1);
        const AmpctlRun again = m_bench->run({ u"schedule"_s, u"Balanced"_s, u"--network"_s, guidToText(home) });
        QCOMPARE(again.status, 4);
        QVERIFY(again.err.contains(u"network \"Home Wi-Fi\" has a schedule already"_s));
        const QJsonObject row = m_bench->json({ u"schedules"_s })[0].toObject();
        QCOMPARE(row[u"kind"_s].toString(), u"network"_s);
        QCOMPARE(row[u"network"_s].toString(), u"Home Wi-Fi"_s);
        QCOMPARE(row[u"plan"_s].toString(), u"Power saver"_s);

        QCOMPARE(m_bench->run({ u"disable"_s, u"Home Wi-Fi"_s }).status, 0);
        QCOMPARE(m_bench->json({ u"schedules"_s })[0][u"enabled"_s].toBool(), false);
        QCOMPARE(m_bench->run({ u"enable"_s, guidToText(home) }).status, 0);
        QCOMPARE(m_bench->json({ u"schedules"_s })[0][u"enabled"_s].toBool(), true);
        QCOMPARE(m_bench->run({ u"remove"_s, u"Home Wi-Fi"_s }).status, 0);
        QVERIFY(!QFile::exists(sharedStrings().networkFile)); // the last removal deletes the file
        QCOMPARE(m_bench->networkNotices, 4);
        QCOMPARE(m_bench->json({ u"networks"_s })[0][u"connected"_s].toBool(), true);

        // A time-based schedule damaged outside Ampora is listed with what is wrong, to be removed.
        m_bench->tasks.addTask({ u"AMPCTL7"_s, true, std::nullopt, u"bad OnCalendar= line"_s });
        QVERIFY(m_bench->run({ u"schedules"_s }).out.contains(u"Cannot be read: bad OnCalendar= line"_s));
        QCOMPARE(m_bench->run({ u"disable"_s, u"AMPCTL7"_s }).status, 0);
        QCOMPARE(m_bench->run({ u"remove"_s, u"AMPCTL7"_s }).status, 0);
        QCOMPARE(m_bench->networkNotices, 4); // time-based changes are not the window's network notice
    }

    void batteryShowsWhatThePopupShows()
    {
        m_bench->battery.status = { 0, 0, 55, 3660 };
        const AmpctlRun discharging = m_bench->run({ u"battery"_s });
        QCOMPARE(discharging.out,
            u"Battery status:  Discharging\n"
            "Power source:    Battery\n"
            "Remaining:       55%\n"
            "Lasts for:       1 h 1 min\n"_s);
        QCOMPARE(m_bench->json({ u"battery"_s })[u"secondsLeft"_s].toInt(), 3660);

        // Charging with no readable level: unknown values are null, and nothing claims a full battery.
        m_bench->battery.status = { 1, SystemPowerStatus::FlagCharging, SystemPowerStatus::PercentUnknown, -1 };
        const QJsonObject expected { { u"status"_s, u"Charging"_s }, { u"powerSource"_s, u"Plugged in"_s },
            { u"remaining"_s, u"N/A"_s }, { u"timeLeft"_s, QJsonValue() }, { u"acLine"_s, u"on"_s },
            { u"battery"_s, true }, { u"charging"_s, true }, { u"percent"_s, QJsonValue() },
            { u"secondsLeft"_s, QJsonValue() } };
        QCOMPARE(m_bench->json({ u"battery"_s }).toObject(), expected);
    }

    void showGetAndSetValueOnALaptopAndADesktop()
    {
        const QJsonObject plan = m_bench->json({ u"show"_s, u"Power saver"_s }).toObject();
        QCOMPARE(plan[u"description"_s].toString(), u"Longer on battery"_s);
        QCOMPARE(plan[u"active"_s].toBool(), false);
        QCOMPARE(m_bench->json({ u"show"_s, guidToText(m_balanced) })[u"active"_s].toBool(), true);
        QStringList rows; // "name ac dc", in table order
        for (const QJsonValue &setting : plan[u"settings"_s].toArray()) {
            rows.append(setting[u"name"_s].toString() + u' ' + setting[u"ac"_s][u"text"_s].toString() + u' '
                + setting[u"dc"_s][u"text"_s].toString());
        }
        QCOMPARE(rows.join(u", "_s),
            u"power-button suspend suspend, sleep-button suspend suspend, lid suspend suspend, dim 2min 1min, "
            "display-off 5min 2min, disk-off 10min 5min, sleep 15min 10min, hibernate 3h 1h, lock-on-wake on on, "
            "brightness 70% 40%, performance-profile power-saver power-saver"_s);
        QCOMPARE(plan[u"settings"_s][7][u"ac"_s][u"value"_s].toInteger(), 10800);
        const AmpctlRun text = m_bench->run({ u"show"_s, u"Power saver"_s });
        QVERIFY2(text.out.startsWith(u"Name:         Power saver\n"_s), qPrintable(text.out));
        QVERIFY(text.out.contains(u"\nhibernate            3h           1h           Hibernate after\n"_s));
        QCOMPARE(m_bench->run({ u"get"_s, u"Balanced"_s, u"display-off"_s }).out, u"AC  10min\nDC  5min\n"_s);

        // What get shows is taken back to the same value; only the row and source given change.
        const struct
        {
            QString setting, given;
            quint32 stored;
            QString shown;
        } cases[] = { { u"sleep"_s, u"1h 30min"_s, 5400, u"1h 30min"_s },
            { u"hibernate"_s, u"30000000"_s, 1'800'000'000, u"500000h"_s },
            { u"sleep-button"_s, u"Sleep"_s, 1, u"suspend"_s } };
        for (const auto &c : cases) {
            QJsonArray settings = m_bench->json({ u"show"_s, u"Power saver"_s })[u"settings"_s].toArray();
            const AmpctlRun set = m_bench->run({ u"set-value"_s, u"Power saver"_s, c.setting, u"--dc"_s, c.given });
            QCOMPARE(set.err, QString());
            QCOMPARE(set.status, 0);
            const QJsonObject shown { { u"text"_s, c.shown }, { u"value"_s, qint64(c.stored) } };
            QCOMPARE(m_bench->json({ u"get"_s, u"Power saver"_s, c.setting })[u"dc"_s].toObject(), shown);
            QCOMPARE(m_bench->run({ u"set-value"_s, u"Power saver"_s, c.setting, u"--ac"_s, c.shown }).status, 0);
            for (qsizetype i = 0; i < settings.size(); ++i) {
                if (settings[i][u"name"_s].toString() == c.setting) {
                    QJsonObject changed = settings[i].toObject();
                    changed[u"ac"_s] = shown;
                    changed[u"dc"_s] = shown;
                    settings[i] = changed;
                }
            }
            QCOMPARE(m_bench->json({ u"show"_s, u"Power saver"_s })[u"settings"_s].toArray(), settings);
        }

        // Values that show as never, as unset though stored, and as unset with nothing stored (whole
        // minutes are TestPlanSettings').
        writeValue(m_balanced, GUID_VIDEO_POWERDOWN_TIMEOUT, PowerSource::Dc, 0);
        writeValue(m_balanced, GUID_LIDCLOSE_ACTION, PowerSource::Ac, 4);
        writeValue(m_balanced, GUID_STANDBY_TIMEOUT, PowerSource::Ac, kUnreadableValue);
        QCOMPARE(m_bench->json({ u"get"_s, u"Balanced"_s, u"display-off"_s })[u"dc"_s].toObject(),
            (QJsonObject { { u"text"_s, u"never"_s }, { u"value"_s, 0 } }));
        QCOMPARE(m_bench->json({ u"get"_s, u"Balanced"_s, u"sleep"_s })[u"ac"_s].toObject(),
            (QJsonObject { { u"text"_s, u"unset"_s }, { u"value"_s, qint64(kUnreadableValue) } }));
        QCOMPARE(m_bench->json({ u"get"_s, u"Balanced"_s, u"lid"_s })[u"ac"_s].toObject(),
            (QJsonObject { { u"text"_s, u"unset"_s }, { u"value"_s, 4 } }));
        m_bench->fakePlatform.addScheme(u"Bare"_s);
        QCOMPARE(m_bench->json({ u"show"_s, u"Bare"_s })[u"settings"_s][0][u"dc"_s].toObject(),
            (QJsonObject { { u"text"_s, u"unset"_s }, { u"value"_s, QJsonValue() } }));

        // A desktop has fewer settings (which ones is the settings table's) and no battery values.
        m_bench->machine = Machine::Desktop;
        const QJsonArray desktop = m_bench->json({ u"show"_s, u"Balanced"_s })[u"settings"_s].toArray();
        QCOMPARE(desktop.size(), 7);
        for (const QJsonValue &setting : desktop)
            QVERIFY(!setting.toObject().contains(u"dc"_s));
        QCOMPARE(m_bench->run({ u"get"_s, u"Balanced"_s, u"display-off"_s }).out, u"AC  10min\n"_s);
    }

    void createRenameAndDescribe()
    {
        const AmpctlRun created = m_bench->run({ u"create"_s, u"Travel"_s });
        QCOMPARE(created.err, QString());
        const std::optional<QUuid> travel = textToGuid(created.out.chopped(1));
        QVERIFY2(travel && created.out.endsWith(u'\n'), qPrintable(created.out));
        const QJsonObject copy = m_bench->json({ u"show"_s, guidToText(*travel) }).toObject();
        QCOMPARE(copy[u"name"_s].toString(), u"Travel"_s);
        QCOMPARE(copy[u"description"_s].toString(), u"Created using Ampora"_s);
        QCOMPARE(copy[u"active"_s].toBool(), false);
        QCOMPARE(copy[u"settings"_s], m_bench->json({ u"show"_s, u"Balanced"_s })[u"settings"_s]);
        const QJsonValue quiet = m_bench->json({ u"create"_s, u"Quiet"_s, u"--from"_s, u"Power saver"_s });
        QCOMPARE(quiet[u"name"_s].toString(), u"Quiet"_s);
        QCOMPARE(m_bench->json({ u"show"_s, quiet[u"guid"_s].toString() })[u"settings"_s],
            m_bench->json({ u"show"_s, u"Power saver"_s })[u"settings"_s]);
        QCOMPARE(m_bench->fakePlatform.activeScheme().valueOr({}), m_balanced);
        QCOMPARE(m_bench->fakePlatform.setActiveCalls(), 0);

        QCOMPARE(m_bench->run({ u"rename"_s, u"Balanced"_s, u"BALANCED"_s }).status, 0); // its own name in another case
        QCOMPARE(m_bench->run({ u"rename"_s, guidToText(m_saver), u"Long haul"_s }).status, 0);
        QCOMPARE(m_bench->run({ u"describe"_s, u"Long haul"_s, u"For trains"_s }).status, 0);
        QCOMPARE(m_bench->run({ u"describe"_s, u"BALANCED"_s, u""_s }).status, 0);
        QCOMPARE(m_bench->fakePlatform.friendlyName(m_saver).valueOr({}), u"Long haul"_s);
        QCOMPARE(m_bench->fakePlatform.description(m_saver).valueOr({}), u"For trains"_s);
        QCOMPARE(m_bench->fakePlatform.friendlyName(m_balanced).valueOr({}), u"BALANCED"_s);
        QCOMPARE(m_bench->fakePlatform.description(m_balanced).valueOr({}), QString());
    }

    void deleteRefusesPlansInUseAndGoesByGuid()
    {
        QCOMPARE(m_bench->run({ u"schedule"_s, u"Power saver"_s, u"--daily"_s, u"07:00"_s }).status, 0);
        const NetworkList::Network home { u"Home"_s, QUuid::createUuid(), true };
        QVERIFY(saveNetworkSchedule(m_bench->fakePlatform, home, PowerPlan { u"Power saver"_s, {}, m_saver }).ok());
        const QList<FakePowerPlatform::Scheme> before = m_bench->fakePlatform.storedSchemes();

        // A schedule is checked before the active plan, and a time-based one is named first.
        m_bench->fakePlatform.setActiveDirectly(m_saver);
        const AmpctlRun timed = m_bench->run({ u"delete"_s, u"Power saver"_s });
        QCOMPARE(timed.status, 6);
        QCOMPARE(timed.err,
            u"ampctl: a time-based schedule uses the power plan \"Power saver\"; remove the schedule first (see ampctl "
            u"schedules)\n"_s);
        m_bench->fakePlatform.setActiveDirectly(m_balanced);
        QCOMPARE(m_bench->run({ u"remove"_s, u"AMPCTL0"_s }).status, 0);
        const AmpctlRun networked = m_bench->run({ u"delete"_s, u"Power saver"_s });
        QCOMPARE(networked.status, 6);
        QVERIFY(networked.err.startsWith(u"ampctl: a network-based schedule uses the power plan \"Power saver\""_s));
        QVERIFY(m_bench->fakePlatform.storedSchemes() == before);
        QVERIFY(removeNetworkSchedule(m_bench->fakePlatform, home.guid).ok());

        // Two plans of one name: the name fits neither, the GUID deletes exactly one.
        const QUuid twin = m_bench->fakePlatform.addScheme(u"Power saver"_s);
        const AmpctlRun ambiguous = m_bench->run({ u"delete"_s, u"Power saver"_s });
        QCOMPARE(ambiguous.status, 3);
        QVERIFY(ambiguous.err.contains(u"2 power plans are named \"Power saver\"; use the GUID"_s));
        QCOMPARE(m_bench->run({ u"delete"_s, guidToText(twin) }).status, 0);
        QCOMPARE(m_bench->fakePlatform.storedSchemes().last().guid, m_saver);
        QCOMPARE(m_bench->run({ u"delete"_s, u"Power saver"_s }).status, 0);
        QCOMPARE(m_bench->fakePlatform.storedSchemes().size(), 1);

        // A task service that cannot answer cannot vouch that no schedule uses the plan.
        const QUuid spare = m_bench->fakePlatform.addScheme(u"Spare"_s);
        m_bench->tasks.setUnreachable(true);
        const AmpctlRun unsure = m_bench->run({ u"delete"_s, u"Spare"_s });
        QCOMPARE(unsure.status, 1);
        QVERIFY(unsure.err.startsWith(u"ampctl: cannot tell whether a schedule uses \"Spare\""_s));
        QVERIFY(m_bench->fakePlatform.friendlyName(spare).ok());
    }

    void setApplyAndStatus()
    {
        FakeApplyBackends &appliers = m_bench->appliers;
        const QList<ApplyRequest> &requests = appliers.applier->requests;
        appliers.events->setSource(PowerSource::Dc);
        appliers.applier->outcomes.insert(Setting::Lid, Outcome::Failed);
        appliers.applier->details.insert(Setting::Lid, u"logind said no"_s);
        appliers.applier->outcomes.insert(Setting::Brightness, Outcome::NotOnThisMachine);
        QCOMPARE(m_bench->run({ u"show"_s, u"Balanced"_s }).status, 0);
        QCOMPARE(appliers.made, 0); // reading plans never reaches the appliers
        QCOMPARE(m_bench->json({ u"status"_s })[u"applied"_s], QJsonValue()); // nothing applied on this machine yet

        // The switch succeeds; the lid that failed is one line (the disk, which needs an administrator
        // on every machine, is no news).
        const AmpctlRun set = m_bench->run({ u"set"_s, u"Power saver"_s });
        QCOMPARE(set.status, 0);
        QCOMPARE(set.out, QString());
        QCOMPARE(set.err, u"ampctl: 1 setting could not be applied; see ampctl status\n"_s);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].source, PowerSource::Dc);
        QVERIFY(requests[0].values == PlanValues::read(m_bench->fakePlatform, m_saver));
        QCOMPARE(appliers.applier->releases, 1);

        appliers.events->setSource(PowerSource::Ac);
        const QJsonObject status = m_bench->json({ u"status"_s }).toObject();
        QCOMPARE(status[u"plan"_s].toObject(),
            (QJsonObject { { u"name"_s, u"Power saver"_s }, { u"guid"_s, guidToText(m_saver) } }));
        QCOMPARE(status[u"source"_s].toString(), u"ac"_s);
        QCOMPARE(status[u"applied"_s][u"source"_s].toString(), u"battery"_s);
        QCOMPARE(status[u"applied"_s][u"appliers"_s].toArray(), QJsonArray { u"fake"_s });
        // Every setting's outcome, in table order, is TestAmpctlBinary's, from real appliers.
        const QJsonValue lid = status[u"settings"_s][2];
        QCOMPARE(
            lid[u"setting"_s].toString() + u':' + lid[u"outcome"_s].toString() + u':' + lid[u"detail"_s].toString(),
            u"lid:failed:logind said no"_s);
        const AmpctlRun text = m_bench->run({ u"status"_s });
        QVERIFY2(text.out.startsWith(u"Plan:          Power saver\nGUID:          "_s), qPrintable(text.out));
        QVERIFY(text.out.contains(u"\nlid                  Failed                  logind said no\n"_s));

        // A plan that is not active is only written; the active one is activated again and applied.
        QCOMPARE(m_bench->run({ u"set-value"_s, u"Balanced"_s, u"dim"_s, u"--dc"_s, u"7"_s }).status, 0);
        QCOMPARE(requests.size(), 1);
        const int activations = m_bench->fakePlatform.setActiveCalls();
        QCOMPARE(m_bench->run({ u"set-value"_s, u"Power saver"_s, u"dim"_s, u"--dc"_s, u"3"_s }).status, 0);
        QCOMPARE(m_bench->fakePlatform.setActiveCalls(), activations + 1);
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[1].values.value(Setting::Dim, PowerSource::Dc), 180u);
        m_bench->fakePlatform.refuseActivation(true);
        const AmpctlRun refused = m_bench->run({ u"set-value"_s, u"Power saver"_s, u"dim"_s, u"--ac"_s, u"3"_s });
        QCOMPARE(refused.status, 1);
        QCOMPARE(refused.err,
            u"ampctl: dim is written, but the active plan could not be applied again: activation refused\n"_s);
        QCOMPARE(m_bench->json({ u"get"_s, u"Power saver"_s, u"dim"_s })[u"ac"_s][u"value"_s].toInteger(), 180);
        m_bench->fakePlatform.refuseActivation(false);

        appliers.applier->outcomes.clear();
        appliers.applier->outcomes.insert(Setting::PerformanceProfile, Outcome::ChangedOutsideAmpora);
        const AmpctlRun again = m_bench->run({ u"apply"_s });
        QCOMPARE(again.err, QString()); // a user's own choice is no failure
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[2].source, PowerSource::Ac);
        QCOMPARE(requests[2].reason, ApplyReason::Activation);

        // Another plan made active since (by the window, or a copy that could not apply) has no record.
        m_bench->fakePlatform.setActiveDirectly(m_balanced);
        const QJsonObject stale = m_bench->json({ u"status"_s }).toObject();
        QCOMPARE(stale[u"plan"_s][u"name"_s].toString(), u"Balanced"_s);
        QCOMPARE(stale[u"applied"_s], QJsonValue());
        QCOMPARE(stale[u"settings"_s].toArray(), QJsonArray());
        QVERIFY(
            m_bench->run({ u"status"_s })
                .out.endsWith(u"\n\nThe active plan has not been applied on this machine yet; run ampctl apply.\n"_s));

        m_bench->fakePlatform.setUnreadable(true);
        const AmpctlRun unreadable = m_bench->run({ u"apply"_s });
        QCOMPARE(unreadable.status, 1);
        QVERIFY2(
            unreadable.err.startsWith(u"ampctl: cannot read the active power plan: "_s), qPrintable(unreadable.err));
        QCOMPARE(requests.size(), 3);
    }

private:
    void writeValue(const QUuid &plan, const QUuid &setting, PowerSource source, quint32 value);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<AmpctlBench> m_bench;
    QUuid m_balanced;
    QUuid m_saver;
};

void TestAmpctl::writeValue(const QUuid &plan, const QUuid &setting, PowerSource source, quint32 value)
{
    for (const PowerSettingRow &row : powerSettingRows()) {
        if (row.setting == setting)
            QVERIFY(m_bench->fakePlatform.writeValueIndex(source, plan, row.subgroup, row.setting, value).ok());
    }
}

QTEST_GUILESS_MAIN(TestAmpctl)
#include "TestAmpctl.moc"
