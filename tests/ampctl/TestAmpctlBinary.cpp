// SPDX-License-Identifier: GPL-3.0-or-later
// The ampctl program of this build on real files: the plan store, systemd units, a GNOME session's
// settings (GNOME's own schemas, a keyfile backend) and the shell completion.
#include "AmpctlRun.h"
#include "GnomeSettingsFixture.h"
#include "Guid.h"
#include "PowerSettings.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>

using ApplySetting::allSettings;
using ApplySetting::settingRow;
using Guid::guidToText;
using Outcomes::outcomeFromName;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

class TestAmpctlBinary : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnvironment>(); }

    // A new schedule is read back, disabled, enabled and removed; systemd accepts its units. (A once
    // time that has passed is refused as a bad command line: refusals.json.)
    void writesUnitsSystemdAccepts()
    {
        const AmpctlRun written
            = runAmpctlBinary({ u"schedule"_s, u"Power saver"_s, u"--weekly"_s, u"Mon,Fri"_s, u"07:03:09"_s });
        QCOMPARE(written.err, QString());
        QCOMPARE(written.out, u"AMPCTL0\n"_s);
        const QJsonValue weekly = runAmpctlBinary({ u"--json"_s, u"schedules"_s }).json()[0];
        QCOMPARE(weekly[u"kind"_s].toString(), u"time"_s);
        QCOMPARE(weekly[u"plan"_s].toString(), u"Power saver"_s);
        QCOMPARE(weekly[u"start"_s].toString(), u"07:03:09 AM on Mon and Fri"_s);
        QCOMPARE(weekly[u"daysOfWeek"_s].toInt(), 2 | 32);
        QCOMPARE(weekly[u"status"_s].toString(), u"Enabled"_s);
        const QString units = m_env->path(u"config/systemd/user"_s);
        const QByteArray service = TestEnvironment::readFile(units + u"/AMPCTL0.service"_s);
        QVERIFY2(service.contains(QFile::encodeName(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampora"_s)),
            service.constData()); // never ampctl
        QVERIFY(!service.contains("ampctl "));
        if (!QStandardPaths::findExecutable(u"systemd-analyze"_s).isEmpty()) {
            QProcess verify;
            verify.start(u"systemd-analyze"_s,
                { u"--user"_s, u"verify"_s, units + u"/AMPCTL0.timer"_s, units + u"/AMPCTL0.service"_s });
            QVERIFY(verify.waitForFinished(30000));
            QCOMPARE(QString::fromLocal8Bit(verify.readAllStandardError()), QString());
            QCOMPARE(verify.exitCode(), 0);
        }
        // What enabling and disabling do to the files is TestSystemdTaskService's.
        QCOMPARE(runAmpctlBinary({ u"disable"_s, u"AMPCTL0"_s }).status, 0);
        QCOMPARE(runAmpctlBinary({ u"--json"_s, u"schedules"_s }).json()[0][u"status"_s].toString(), u"Disabled"_s);
        QCOMPARE(runAmpctlBinary({ u"remove"_s, u"AMPCTL0"_s }).status, 0);
        QCOMPARE(QDir(units).entryList(QDir::Files), QStringList());
    }

    // Clocks in Berlin go from 02:00 to 03:00 on 2090-03-26: that once time never comes, an hour
    // later does.
    void onceTimeTheClockSkipsHasItsOwnStatus()
    {
        const QStringList berlin { u"TZ=Europe/Berlin"_s };
        const AmpctlRun skipped
            = runAmpctlBinary({ u"schedule"_s, u"Balanced"_s, u"--once"_s, u"2090-03-26"_s, u"02:30"_s }, berlin);
        QCOMPARE(skipped.status, 5);
        QCOMPARE(skipped.err,
            u"ampctl: 2090-03-26 02:30:00 never comes: the clock jumps over it when daylight saving starts\n"_s);
        const QStringList kept { u"schedule"_s, u"Balanced"_s, u"--once"_s, u"2090-03-26"_s, u"03:30"_s };
        QCOMPARE(runAmpctlBinary(kept, berlin).out, u"AMPCTL0\n"_s);
    }

    void saysWhatItCannotRead()
    {
        // A folder where the store should be: no command may pass that off as "no plans".
        const QString store = sharedStrings().schemeStoreFile;
        QVERIFY(QDir().mkpath(store));
        for (const QStringList &arguments :
            { QStringList { u"--json"_s, u"list"_s }, QStringList { u"delete"_s, u"Balanced"_s },
                QStringList { u"schedule"_s, u"Balanced"_s, u"--daily"_s, u"07:00"_s } }) {
            const AmpctlRun outcome = runAmpctlBinary(arguments);
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
        const AmpctlRun listed = runAmpctlBinary({ u"list"_s });
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out.count(u'\n'), 2);
        QCOMPARE(listed.err,
            u"ampctl: the power plan {A1841308-3541-4FAB-BC81-F71556F20B4A} is not listed: the power plan "
            u"{A1841308-3541-4FAB-BC81-F71556F20B4A} has no name\n"_s);
    }

    void concurrentCreatesOfOneNameMakeOnePlan()
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

    void deleteRacingScheduleLeavesNoScheduleWithoutItsPlan()
    {
        const QString units = m_env->path(u"config/systemd/user"_s);
        // Forty rounds: before both took the data lock, most of them left a schedule without its plan.
        for (int round = 0; round < 40; ++round) {
            const QString name = u"Doomed %1"_s.arg(round);
            const AmpctlRun created = runAmpctlBinary({ u"create"_s, name });
            QCOMPARE(created.status, 0);
            const std::unique_ptr<QProcess> deleter = startAmpctlBinary({ u"delete"_s, name });
            const std::unique_ptr<QProcess> scheduler
                = startAmpctlBinary({ u"schedule"_s, name, u"--daily"_s, u"07:00"_s });
            const AmpctlRun deleted = finishAmpctlBinary(*deleter);
            const AmpctlRun scheduled = finishAmpctlBinary(*scheduler);
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

    void appliesEverySettingOnGnomeAndOnNoDesktop()
    {
        if (!compileGnomeSchemas(*m_env, u"schemas"_s))
            QSKIP("GNOME's schemas (gsettings-desktop-schemas, gnome-settings-daemon-common) are needed");
        QVERIFY(QDir().mkpath(m_env->path(u"no-data"_s)));
        // A laptop on battery, with a lid, buttons and a backlight, and no bus to reach.
        QStringList environment { u"GSETTINGS_BACKEND=keyfile"_s,
            u"GSETTINGS_SCHEMA_DIR="_s + m_env->path(u"schemas"_s),
            u"XDG_DATA_DIRS="_s + m_env->path(u"no-data"_s), // the installed schemas stay out of sight
            u"DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/ampora-test-bus"_s,
            u"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/ampora-test-bus"_s,
            u"AMPORA_SYSFS_ROOT="_s + TestEnvironment::sourceFile(u"platform/data/sysfs/caps-laptop"_s) };
        const QList<Setting> gnomeSettings { Setting::PowerButton, Setting::SleepButton, Setting::Dim,
            Setting::DisplayOff, Setting::SleepIdle, Setting::HibernateIdle, Setting::LockOnWake };
        const auto outcomesOn = [&](const QString &desktop, const QStringList &allowed) {
            const QStringList session = environment + QStringList { u"XDG_CURRENT_DESKTOP="_s + desktop };
            const AmpctlRun set = runAmpctlBinary({ u"set"_s, u"Power saver"_s }, session);
            if (set.status != 0 || !set.err.isEmpty())
                return set.err;
            const QJsonValue json = runAmpctlBinary({ u"--json"_s, u"status"_s }, session).json();
            QStringList fromDesktop { json[u"source"_s].toString() };
            // Every setting, in table order, has an outcome; the desktop's own ones are the desktop's.
            for (const Setting setting : allSettings()) {
                const QJsonValue report = json[u"settings"_s][static_cast<int>(setting)];
                const QString outcome = report[u"outcome"_s].toString();
                if (report[u"setting"_s].toString() != settingRow(setting).name || !outcomeFromName(outcome)
                    || (!allowed.isEmpty() && !allowed.contains(outcome)))
                    return QString(u"unexpected: "_s + outcome);
                if (gnomeSettings.contains(setting))
                    fromDesktop.append(settingRow(setting).name + u':' + outcome);
            }
            return fromDesktop.join(u' ');
        };

        QCOMPARE(outcomesOn(QString(),
                     { u"needs-ampora-running"_s, u"not-on-this-desktop"_s, u"not-on-this-machine"_s,
                         u"needs-administrator"_s }),
            u"battery power-button:needs-ampora-running sleep-button:needs-ampora-running "
            "dim:needs-ampora-running display-off:needs-ampora-running sleep:needs-ampora-running "
            "hibernate:needs-ampora-running lock-on-wake:needs-ampora-running"_s);
        QCOMPARE(shownByGnome(), u"button , dim , blank , ac  , battery  , lock "_s);
        QCOMPARE(outcomesOn(u"GNOME"_s, {}),
            u"battery power-button:applied sleep-button:fixed-by-desktop dim:approximated display-off:applied "
            "sleep:applied hibernate:approximated lock-on-wake:applied"_s);
        const QString shown
            = u"button 'suspend', dim true, blank 120, ac 'suspend' 900, battery 'suspend' 600, lock true"_s;
        QCOMPARE(shownByGnome(), shown);

        // Values written without a record would later be taken for the user's: a state folder that
        // cannot be written fails the switch, and nothing goes out.
        environment.append(u"XDG_STATE_HOME="_s + m_env->writeFile(u"state-is-a-file"_s, "x"));
        const AmpctlRun unrecorded = runAmpctlBinary(
            { u"set"_s, u"Balanced"_s }, environment + QStringList { u"XDG_CURRENT_DESKTOP=GNOME"_s });
        QCOMPARE(unrecorded.status, 1);
        QVERIFY2(unrecorded.err.startsWith(u"ampctl: the plan is active, but what Ampora writes"_s),
            qPrintable(unrecorded.err));
        QCOMPARE(shownByGnome(), shown);
    }

    void shellCompletionAsksAmpctl()
    {
        if (QStandardPaths::findExecutable(u"bash"_s).isEmpty())
            QSKIP("bash is needed to run the completion");
        // bash-completion's _init_completion, as far as the script uses it.
        const QString script = uR"(_init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }
source "$1"
COMP_WORDS=(ampctl set-value Power); COMP_CWORD=2; _ampctl "$2"; printf '%s\n' "${COMPREPLY[@]}"
COMP_WORDS=(ampctl sched); COMP_CWORD=1; _ampctl "$2"; printf '%s\n' "${COMPREPLY[@]}")"_s;
        QProcess bash;
        bash.start(u"bash"_s,
            { u"-c"_s, script, u"bash"_s, TestEnvironment::sourceFile(u"../completion/ampctl"_s),
                qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s });
        QVERIFY(bash.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(bash.readAllStandardError()), QString());
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()), u"Power\\ saver\nschedules\nschedule\n"_s);
    }

    // The administrator's plans and locks: listed, set and shown, never changed (status 9).
    void systemWidePlansAreSetNeverChanged()
    {
        m_env->writeFile(u"xdg/ampora/schemes.ini"_s,
            "[{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}]\nName=Office\nAC/display-off=10min\n[Locks]\nAC/sleep=never\n");
        const QStringList quiet { u"DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/ampora-test-bus"_s,
            u"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/ampora-test-bus"_s, u"XDG_CURRENT_DESKTOP="_s };
        const QJsonArray plans = runAmpctlBinary({ u"--json"_s, u"list"_s }).json().toArray();
        QCOMPARE(plans.size(), 4); // by name, as every list
        QCOMPARE(plans[2][u"name"_s].toString(), u"Office"_s);
        QVERIFY(plans[2][u"system"_s].toBool() && !plans[0].toObject().contains(u"system"_s));
        QVERIFY(runAmpctlBinary({ u"list"_s }).out.contains(QRegularExpression(u"  Office +\\(system-wide\\)\n"_s)));
        QCOMPARE(runAmpctlBinary({ u"set"_s, u"Office"_s }, quiet).status, 0);
        QCOMPARE(runAmpctlBinary({ u"--json"_s, u"active"_s }).json()[u"name"_s].toString(), u"Office"_s);

        const QStringList laptop = quiet
            + QStringList { u"AMPORA_SYSFS_ROOT="_s
                  + TestEnvironment::sourceFile(u"platform/data/sysfs/caps-laptop"_s) };
        for (const QStringList &change : { QStringList { u"rename"_s, u"Office"_s, u"Mine"_s },
                 QStringList { u"describe"_s, u"Office"_s, u"x"_s }, QStringList { u"delete"_s, u"Office"_s },
                 QStringList { u"set-value"_s, u"Office"_s, u"dim"_s, u"--ac"_s, u"5min"_s },
                 QStringList { u"set-value"_s, u"Balanced"_s, u"sleep"_s, u"--ac"_s, u"never"_s } }) {
            const AmpctlRun refused = runAmpctlBinary(change, laptop);
            QCOMPARE(refused.status, 9);
            QVERIFY2(refused.err.contains(u"administrator"_s), qPrintable(refused.err));
        }
        QJsonValue sleep;
        for (const QJsonValue setting :
            runAmpctlBinary({ u"--json"_s, u"show"_s, u"Balanced"_s }, laptop).json()[u"settings"_s].toArray()) {
            if (setting[u"name"_s].toString() == u"sleep"_s)
                sleep = setting;
        }
        QCOMPARE(sleep[u"ac"_s][u"text"_s].toString(), u"never"_s);
        QVERIFY(sleep[u"ac"_s][u"locked"_s].toBool() && !sleep[u"dc"_s].toObject().contains(u"locked"_s));
        QVERIFY(runAmpctlBinary({ u"show"_s, u"Office"_s }, laptop).out.contains(u"never (locked)"_s));
        QVERIFY(runAmpctlBinary({ u"--help"_s }).out.contains(u"\n  9  the administrator set it"_s));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestAmpctlBinary)
#include "TestAmpctlBinary.moc"
