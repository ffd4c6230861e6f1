// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include "DataLock.h"
#include "IniFile.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using CommandLine::classifyCommandLine;
using CommandLine::joinArguments;
using CommandLine::planGuidTextOf;
using Profile::formatText;
using Profile::isSettingFalse;
using Profile::isSettingTrue;
using Profile::loadText;
using Profile::readSetting;
using Profile::writeSetting;
using Program::resolveSharedPaths;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

class TestProfile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textsPlaceholdersAndSettingRules()
    {
        TestEnvironment env;
        QCOMPARE(loadText(u"IDS_CAPTION"), QString()); // missing files give empty texts
        QCOMPARE(readSetting(SettingKey::NotifyPlanChanges), QString());
        env.writeFile(
            u"program/ampctleng.ini"_s, "[Ampora]\nIDS_LONG=" + QByteArray(600, 'a') + "\nIDS_CAPTION=Ampora\n");
        QCOMPARE(loadText(u"IDS_LONG").size(), 499);
        QCOMPARE(loadText(u"IDS_LONG", 1000).size(), 600);
        QCOMPARE(loadText(u"IDS_CAPTION"), u"Ampora"_s);
        // Texts take printf placeholders.
        QCOMPARE(formatText(u"Plan %s is active"_s, u"Balanced"_s), u"Plan Balanced is active"_s);
        QCOMPARE(formatText(u"100%% and %ls, then %s"_s, u"x"_s), u"100% and x, then %s"_s);
        QCOMPARE(formatText(u"%d hours"_s, 3LL), u"3 hours"_s);
        QCOMPARE(formatText(u"no placeholder"_s, u"x"_s), u"no placeholder"_s);
        QCOMPARE(formatText(u"ends with %"_s, u"x"_s), u"ends with %"_s);

        // Settings compare exactly and case-sensitively: "true" and "True" are neither on nor off.
        QVERIFY(isSettingTrue(u"TRUE"_s));
        QVERIFY(isSettingFalse(u"FALSE"_s));
        for (const QString &value : { u"true"_s, u"True"_s, u" TRUE"_s, u"false"_s, u"False"_s, QString() })
            QVERIFY2(!isSettingTrue(value) && !isSettingFalse(value), qPrintable(value));
    }

    void writeSettingKeepsOtherKeysAndSetsAsideUnreadableFiles()
    {
        TestEnvironment env;
        const QString &path = sharedStrings().settingsFile;
        env.writeFile(u"program/ampctlset.ini"_s, "[Ampora]\nIDS_LANGUAGE=English\n");
        QVERIFY(writeSetting(SettingKey::NotifyPlanChanges, u"FALSE"_s));
        QVERIFY(writeSetting(SettingKey::NotifyPlanChanges, u"TRUE"_s));
        QCOMPARE(TestEnvironment::readFile(path),
            QByteArray("[Ampora]\nIDS_LANGUAGE=English\nIDS_NOTIFY_PLAN_CHANGES=TRUE\n"));

        env.writeFile(u"program/ampctlset.ini"_s, "[Ampora]\nIDS_LANGUAGE=\xC3\x28\n");
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"TRUE"_s));
        QCOMPARE(readSetting(SettingKey::CloseToTray), u"TRUE"_s);
        const QStringList aside = QDir(env.path(u"program"_s)).entryList({ u"ampctlset.ini.corrupt-*"_s });
        QCOMPARE(aside.size(), 1);
        QCOMPARE(TestEnvironment::readFile(env.path(u"program/"_s) + aside.first()),
            QByteArray("[Ampora]\nIDS_LANGUAGE=\xC3\x28\n"));
    }

    void settingsFromSeveralProcessesAreAllKept()
    {
        TestEnvironment env;
        const QString &path = sharedStrings().settingsFile;
        constexpr int kEach = 40;
        std::vector<std::unique_ptr<QProcess>> writers;
        for (const QString &prefix : { u"FIRST_"_s, u"SECOND_"_s }) {
            auto writer = std::make_unique<QProcess>();
            writer->start(
                QStringLiteral(SETTINGS_WRITER), { sharedStrings().dataFolder, path, prefix, QString::number(kEach) });
            writers.push_back(std::move(writer));
        }
        // This process is the third writer.
        for (int n = 0; n < kEach; ++n) {
            const Result<> written = writeSetting(u"THIRD_%1"_s.arg(n), QString::number(n));
            QVERIFY2(written, qPrintable(written.failure().message));
        }
        for (const std::unique_ptr<QProcess> &writer : writers)
            writer->waitForFinished(-1);
        for (const std::unique_ptr<QProcess> &writer : writers) {
            QVERIFY2(writer->exitStatus() == QProcess::NormalExit && writer->exitCode() == 0,
                writer->readAllStandardError().constData());
        }
        const IniFile ini = IniFile::load(path);
        QCOMPARE(ini.keys(u"Ampora"_s).size(), 3 * kEach);
        for (const char *prefix : { "FIRST_", "SECOND_", "THIRD_" }) {
            for (int n = 0; n < kEach; ++n)
                QCOMPARE(readSetting(QString::fromLatin1(prefix) + QString::number(n)), QString::number(n));
        }
    }

    // (That a link planted where a lock goes is never followed is the plan store's test: both
    // locks are file locks.)
    void dataLockIsNotRecursive()
    {
        TestEnvironment env;
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"FALSE"_s));
        // The lock is not recursive: a write inside a held lock fails at once and says why.
        {
            const Result<DataLock> held = DataLock::acquire();
            QVERIFY(held);
            const Result<> nested = writeSetting(SettingKey::CloseToTray, u"TRUE"_s);
            QVERIFY(nested.failedWith(Failure::Kind::Failed));
            QVERIFY2(nested.failure().message.contains(u"inside another"_s), qPrintable(nested.failure().message));
        }
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"TRUE"_s));
        // Unless it was taken for several changes: they take part in it.
        {
            const Result<DataLock> held = DataLock::acquireForSeveral();
            QVERIFY(held);
            QVERIFY(writeSetting(SettingKey::CloseToTray, u"FALSE"_s));
        }
    }

    void classifiesCommandLines()
    {
        const QString guid = u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s;
        const struct
        {
            QStringList arguments;
            CommandLineForm form;
            QString guidText;
        } cases[] = {
            { { u"-setactiveplan"_s, u'-' + guid }, CommandLineForm::SetActivePlan, guid },
            { { u"-setactiveplanXY"_s + guid }, CommandLineForm::SetActivePlan, guid }, // any two characters
            { { u"-setactiveplan -"_s + guid + u' ' }, CommandLineForm::SetActivePlan, guid + u' ' },
            { { u"-hideme"_s }, CommandLineForm::HideMe, {} },
            { { u"-HIDEME"_s }, CommandLineForm::Normal, {} },
            { {}, CommandLineForm::Normal, {} },
            { { u"-SETACTIVEPLAN"_s, guid }, CommandLineForm::Normal, {} },
        };
        for (const auto &c : cases) {
            const QString line = joinArguments(c.arguments);
            QCOMPARE(classifyCommandLine(line), c.form);
            if (c.form == CommandLineForm::SetActivePlan)
                QCOMPARE(planGuidTextOf(line), c.guidText);
        }
        // Whatever follows the switch, the GUID text taken from it stays short.
        QCOMPARE(planGuidTextOf(u"-setactiveplan -"_s + guid + QString(100, u'\x1b')).size(), 39);
    }

    void resolvesPortableAndInstalledLayouts()
    {
        TestEnvironment env;
        env.writeFile(u"portable/ampctleng.ini"_s, "[Ampora]\n");
        SharedStrings portable;
        resolveSharedPaths(portable, env.path(u"portable/ampora"_s));
        QCOMPARE(portable.programFolder, env.path(u"portable"_s));
        QCOMPARE(portable.settingsFile, env.path(u"portable/ampctlset.ini"_s));
        QCOMPARE(portable.networkFile, env.path(u"config/ampora/AmporaNetworkInfo.ini"_s));

        env.writeFile(u"usr/share/ampora/ampctleng.ini"_s, "[Ampora]\n");
        SharedStrings installed;
        resolveSharedPaths(installed, env.path(u"usr/bin/ampora"_s));
        QCOMPARE(installed.programFolder, env.path(u"usr/share/ampora"_s));
        QCOMPARE(installed.languageFile, env.path(u"usr/share/ampora/ampctleng.ini"_s));
        QCOMPARE(installed.settingsFile, env.path(u"config/ampora/ampctlset.ini"_s));
        QVERIFY(QDir(installed.dataFolder).exists());
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "TestProfile.moc"
