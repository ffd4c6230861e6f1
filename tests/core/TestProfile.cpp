#include "CommandLine.h"
#include "DataLock.h"
#include "IniFile.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
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

class TestProfile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textsPlaceholdersAndSettingRules()
    {
        TestEnvironment env;
        QCOMPARE(loadText(u"IDS_CAPTION"), QString()); // missing files give empty texts
        QCOMPARE(readSetting(SettingKey::NotifyPlanChanges), QString());
        env.writeFile(QStringLiteral("program/ampctleng.ini"),
            "[Ampora]\nIDS_LONG=" + QByteArray(600, 'a') + "\nIDS_CAPTION=Ampora\n");
        QCOMPARE(loadText(u"IDS_LONG").size(), 499);
        QCOMPARE(loadText(u"IDS_LONG", 1000).size(), 600);
        QCOMPARE(loadText(u"IDS_CAPTION"), QStringLiteral("Ampora"));
        // Texts take printf placeholders.
        QCOMPARE(formatText(QStringLiteral("Plan %s is active"), QStringLiteral("Balanced")),
            QStringLiteral("Plan Balanced is active"));
        QCOMPARE(formatText(QStringLiteral("100%% and %ls, then %s"), QStringLiteral("x")),
            QStringLiteral("100% and x, then %s"));
        QCOMPARE(formatText(QStringLiteral("%d hours"), 3LL), QStringLiteral("3 hours"));
        QCOMPARE(formatText(QStringLiteral("no placeholder"), QStringLiteral("x")), QStringLiteral("no placeholder"));
        QCOMPARE(formatText(QStringLiteral("ends with %"), QStringLiteral("x")), QStringLiteral("ends with %"));

        // Settings compare exactly and case-sensitively: "true" and "True" are neither on nor off.
        QVERIFY(isSettingTrue(QStringLiteral("TRUE")));
        QVERIFY(isSettingFalse(QStringLiteral("FALSE")));
        for (const char16_t *value : { u"true", u"True", u" TRUE", u"false", u"False", u"" }) {
            QVERIFY2(!isSettingTrue(QString::fromUtf16(value)), qPrintable(QString::fromUtf16(value)));
            QVERIFY2(!isSettingFalse(QString::fromUtf16(value)), qPrintable(QString::fromUtf16(value)));
        }
    }

    void writeSettingKeepsOtherKeysAndSetsAsideUnreadableFiles()
    {
        TestEnvironment env;
        const QString &path = sharedStrings().settingsFile;
        env.writeFile(QStringLiteral("program/ampctlset.ini"), "[Ampora]\nIDS_LANGUAGE=English\n");
        QVERIFY(writeSetting(SettingKey::NotifyPlanChanges, QStringLiteral("FALSE")));
        QVERIFY(writeSetting(SettingKey::NotifyPlanChanges, QStringLiteral("TRUE")));
        QCOMPARE(TestEnvironment::readFile(path),
            QByteArray("[Ampora]\nIDS_LANGUAGE=English\nIDS_NOTIFY_PLAN_CHANGES=TRUE\n"));

        env.writeFile(QStringLiteral("program/ampctlset.ini"), "[Ampora]\nIDS_LANGUAGE=\xC3\x28\n");
        QVERIFY(writeSetting(SettingKey::CloseToTray, QStringLiteral("TRUE")));
        QCOMPARE(readSetting(SettingKey::CloseToTray), QStringLiteral("TRUE"));
        const QStringList aside
            = QDir(env.path(QStringLiteral("program"))).entryList({ QStringLiteral("ampctlset.ini.corrupt-*") });
        QCOMPARE(aside.size(), 1);
        QCOMPARE(TestEnvironment::readFile(env.path(QStringLiteral("program/")) + aside.first()),
            QByteArray("[Ampora]\nIDS_LANGUAGE=\xC3\x28\n"));
    }

    void settingsFromSeveralProcessesAreAllKept()
    {
        TestEnvironment env;
        const QString &path = sharedStrings().settingsFile;
        constexpr int kEach = 40;
        std::vector<std::unique_ptr<QProcess>> writers;
        for (const QString &prefix : { QStringLiteral("FIRST_"), QStringLiteral("SECOND_") }) {
            auto writer = std::make_unique<QProcess>();
            writer->start(
                QStringLiteral(SETTINGS_WRITER), { sharedStrings().dataFolder, path, prefix, QString::number(kEach) });
            writers.push_back(std::move(writer));
        }
        // This process is the third writer.
        for (int n = 0; n < kEach; ++n) {
            const Result<> written = writeSetting(QStringLiteral("THIRD_%1").arg(n), QString::number(n));
            QVERIFY2(written, qPrintable(written.failure().message));
        }
        for (const std::unique_ptr<QProcess> &writer : writers)
            writer->waitForFinished(-1);
        for (const std::unique_ptr<QProcess> &writer : writers) {
            QVERIFY2(writer->exitStatus() == QProcess::NormalExit && writer->exitCode() == 0,
                writer->readAllStandardError().constData());
        }
        const IniFile ini = IniFile::load(path);
        QCOMPARE(ini.keys(QStringLiteral("Ampora")).size(), 3 * kEach);
        for (const char *prefix : { "FIRST_", "SECOND_", "THIRD_" }) {
            for (int n = 0; n < kEach; ++n)
                QCOMPARE(readSetting(QString::fromLatin1(prefix) + QString::number(n)), QString::number(n));
        }
    }

    void dataLockIsNotRecursiveAndFollowsNoLink()
    {
        TestEnvironment env;
        QVERIFY(writeSetting(SettingKey::CloseToTray, QStringLiteral("FALSE")));
        // The lock is not recursive: a write inside a held lock fails at once and says why.
        {
            const Result<DataLock> held = DataLock::acquire();
            QVERIFY(held);
            const Result<> nested = writeSetting(SettingKey::CloseToTray, QStringLiteral("TRUE"));
            QVERIFY(nested.failedWith(Failure::Kind::Failed));
            QVERIFY2(nested.failure().message.contains(QStringLiteral("inside another")),
                qPrintable(nested.failure().message));
        }
        QVERIFY(writeSetting(SettingKey::CloseToTray, QStringLiteral("TRUE")));
        // Unless it was taken for several changes: they take part in it.
        {
            const Result<DataLock> held = DataLock::acquireForSeveral();
            QVERIFY(held);
            QVERIFY(writeSetting(SettingKey::CloseToTray, QStringLiteral("FALSE")));
        }

        // A link planted where the lock goes is never followed, and blocks nothing.
        const QString outside = QFileInfo(DataLock::path()).absolutePath() + QStringLiteral("/../outside");
        QFile target(outside);
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.close();
        QVERIFY(QFile::remove(DataLock::path()));
        QVERIFY(QFile::link(outside, DataLock::path()));
        QVERIFY(writeSetting(SettingKey::CloseToTray, QStringLiteral("TRUE")));
        QCOMPARE(QFileInfo(outside).size(), 0);
        QVERIFY(!QFileInfo(DataLock::path()).isSymLink());
    }

    void classifiesCommandLines()
    {
        const QString guid = QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}");
        const struct
        {
            QStringList arguments;
            CommandLineForm form;
            QString guidText;
        } cases[] = {
            { { QStringLiteral("-setactiveplan"), u'-' + guid }, CommandLineForm::SetActivePlan, guid },
            { { QStringLiteral("-setactiveplanXY") + guid }, CommandLineForm::SetActivePlan,
                guid }, // any two characters
            { { QStringLiteral("-setactiveplan -") + guid + u' ' }, CommandLineForm::SetActivePlan, guid + u' ' },
            { { QStringLiteral("-hideme") }, CommandLineForm::HideMe, {} },
            { { QStringLiteral("-HIDEME") }, CommandLineForm::Normal, {} },
            { {}, CommandLineForm::Normal, {} },
            { { QStringLiteral("-SETACTIVEPLAN"), guid }, CommandLineForm::Normal, {} },
        };
        for (const auto &c : cases) {
            const QString line = joinArguments(c.arguments);
            QCOMPARE(classifyCommandLine(line), c.form);
            if (c.form == CommandLineForm::SetActivePlan)
                QCOMPARE(planGuidTextOf(line), c.guidText);
        }
        // Whatever follows the switch, the GUID text taken from it stays short.
        QRandomGenerator random(99);
        for (int round = 0; round < 5000; ++round) {
            QString line = QStringLiteral("-setactiveplan");
            const int extra = int(random.bounded(100));
            for (int i = 0; i < extra; ++i)
                line += QChar(char16_t(random.bounded(0x10000)));
            QCOMPARE(classifyCommandLine(line), CommandLineForm::SetActivePlan);
            QVERIFY(planGuidTextOf(line).size() <= 39);
        }
    }

    void resolvesPortableAndInstalledLayouts()
    {
        TestEnvironment env;
        env.writeFile(QStringLiteral("portable/ampctleng.ini"), "[Ampora]\n");
        SharedStrings portable;
        resolveSharedPaths(portable, env.path(QStringLiteral("portable/ampora")));
        QCOMPARE(portable.programFolder, env.path(QStringLiteral("portable")));
        QCOMPARE(portable.settingsFile, env.path(QStringLiteral("portable/ampctlset.ini")));
        QCOMPARE(portable.networkFile, env.path(QStringLiteral("config/ampora/AmporaNetworkInfo.ini")));

        env.writeFile(QStringLiteral("usr/share/ampora/ampctleng.ini"), "[Ampora]\n");
        SharedStrings installed;
        resolveSharedPaths(installed, env.path(QStringLiteral("usr/bin/ampora")));
        QCOMPARE(installed.programFolder, env.path(QStringLiteral("usr/share/ampora")));
        QCOMPARE(installed.languageFile, env.path(QStringLiteral("usr/share/ampora/ampctleng.ini")));
        QCOMPARE(installed.settingsFile, env.path(QStringLiteral("config/ampora/ampctlset.ini")));
        QVERIFY(QDir(installed.dataFolder).exists());
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "TestProfile.moc"
