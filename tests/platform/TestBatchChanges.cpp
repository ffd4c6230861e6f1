// SPDX-License-Identifier: GPL-3.0-or-later
// Changes of many things at once: several timers reach the user manager in one reload and one
// start or stop, and a plan saved in one change is never seen half-saved by another process.
#include "Guid.h"
#include "IniFile.h"
#include "PlanTaskWriter.h"
#include "PowerSettings.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "SystemdTaskService.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using Guid::guidToText;
using PowerSettings::defaultPlans;
using PowerSettings::powerSettingRows;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

class TestBatchChanges : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void severalTimersTellTheManagerOnce();
    void readerInAnotherProcessNeverSeesHalfASave();
};

void TestBatchChanges::severalTimersTellTheManagerOnce()
{
    const TestEnvironment env;
    const QByteArray path = qgetenv("PATH");
    const QString log = env.path(u"systemctl.log"_s);
    const QString script = env.writeFile(u"bin/systemctl"_s, u"#!/bin/sh\necho \"$*\" >> '%1'\n"_s.arg(log).toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(env.path(u"bin"_s)) + ':' + path);
    const auto calls = [&] {
        QStringList said = QString::fromUtf8(TestEnvironment::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
        for (QString &call : said)
            call.remove(u"--user --no-ask-password "_s);
        QFile::remove(log);
        return said;
    };
    const QString units = env.path(u"config/systemd/user"_s);
    SystemdTaskService tasks(units, env.path(u"config/autostart"_s), env.path(u"data/systemd/timers"_s));
    const TaskDefinition daily = PlanTaskWriter::definition(
        PlanTaskWriter::Kind::Daily, u"/opt/ampora/bin/ampora"_s, {}, u"2024-07-05T07:03:09"_s, 0);
    for (const QString &name : { u"AMPCTL0"_s, u"AMPCTL1"_s, u"AMPCTL2"_s })
        QVERIFY(tasks.registerTask(name, daily, TaskService::Registration::Create));
    env.writeFile(u"config/systemd/user/other.timer"_s, "[Timer]\nOnCalendar=daily\n");
    calls();

    const QStringList three { u"AMPCTL2"_s, u"AMPCTL0"_s, u"AMPCTL1"_s };
    const TaskService::BatchOutcome disabled = tasks.setTasksEnabled(three, false);
    QVERIFY(disabled.stopped);
    QCOMPARE(disabled.done, three);
    QCOMPARE(calls(), (QStringList { u"daemon-reload"_s, u"stop AMPCTL2.timer AMPCTL0.timer AMPCTL1.timer"_s }));
    QVERIFY(QDir(units + u"/timers.target.wants"_s).isEmpty());

    // Enabled again, each stops before its stamp starts afresh; a task that is not there stops
    // the rest, and the manager hears only of those done.
    const TaskService::BatchOutcome enabled = tasks.setTasksEnabled({ u"AMPCTL0"_s, u"AMPCTL9"_s, u"AMPCTL1"_s }, true);
    QVERIFY(enabled.stopped.failedWith(Failure::Kind::NotFound));
    QCOMPARE(enabled.done, QStringList { u"AMPCTL0"_s });
    QCOMPARE(calls(), (QStringList { u"stop AMPCTL0.timer"_s, u"daemon-reload"_s, u"start AMPCTL0.timer"_s }));

    // Removed up to a unit of another program, which stays with everything after it; one that
    // is gone already counts as removed.
    const TaskService::BatchOutcome removed
        = tasks.deleteTasks({ u"AMPCTL2"_s, u"AMPCTL7"_s, u"AMPCTL0"_s, u"other"_s, u"AMPCTL1"_s });
    QVERIFY(removed.stopped.failedWith(Failure::Kind::Invalid));
    QCOMPARE(removed.done, (QStringList { u"AMPCTL2"_s, u"AMPCTL7"_s, u"AMPCTL0"_s }));
    QCOMPARE(calls(), (QStringList { u"stop AMPCTL2.timer AMPCTL0.timer"_s, u"daemon-reload"_s }));
    QCOMPARE(QDir(units).entryList(QDir::Files),
        (QStringList { u"AMPCTL1.service"_s, u"AMPCTL1.timer"_s, u"other.timer"_s }));
    qputenv("PATH", path);
}

// The store worker reads the plan's section straight from the file while this process saves
// the plan over and over, each time with a new name and every value changed, as the plan editor
// saves: every version it sees has one save's name with that save's values.
void TestBatchChanges::readerInAnotherProcessNeverSeesHalfASave()
{
    const TestEnvironment env;
    const QString path = sharedStrings().schemeStoreFile;
    SchemeStore store(path);
    const QUuid plan = defaultPlans()[2].guid;
    const auto save = [&](int n) {
        SchemeChanges::Plan changed { plan, std::nullopt, u"Save %1"_s.arg(n), std::nullopt, {} };
        for (const PowerSettingRow &row : powerSettingRows()) {
            for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc })
                changed.values.append({ source, row.subgroup, row.setting, quint32(n) });
        }
        return bool(store.changeSchemes(SchemeChanges { { changed }, {} }));
    };
    QVERIFY(save(0));
    QProcess reader;
    reader.start(QString::fromUtf8(STORE_WORKER), { u"watch"_s, path, guidToText(plan) });
    QVERIFY(reader.waitForReadyRead(30000));
    for (int n = 1; n <= 150; ++n)
        QVERIFY(save(n));
    QVERIFY(store.writeFriendlyName(plan, u"Done"_s));
    QVERIFY(reader.waitForFinished(30000));
    const QByteArray said = reader.readAll();
    QVERIFY2(reader.exitCode() == 0, said.constData());
}

QTEST_GUILESS_MAIN(TestBatchChanges)
#include "TestBatchChanges.moc"
