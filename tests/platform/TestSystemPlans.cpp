// SPDX-License-Identifier: GPL-3.0-or-later
// The administrator's plans and locks in $XDG_CONFIG_DIRS/ampora/schemes.ini, as the plan store
// serves them beside the user's own.
#include "FakePowerPlatform.h"
#include "Guid.h"
#include "PowerSettings.h"
#include "SchemeStore.h"
#include "StderrCapture.h"
#include "SystemPlans.h"
#include "TestEnvironment.h"

#include <QTest>

using Guid::guidToText;
using PowerSettings::defaultPlans;

using namespace Qt::Literals::StringLiterals;

namespace {

const QUuid kOffice = QUuid::fromString(u"{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}"_s);
const QUuid kLab = QUuid::fromString(u"{0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11}"_s);
const QUuid kBalanced = defaultPlans()[0].guid;

const QByteArray kFirstFile = "# Ampora system-wide power plans\n[Store]\nFormat=1\n"
                              "Active={6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}\n"
                              "[{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}]\nName=Office\nDescription=Set by IT\n"
                              "AC/display-off=10min\nDC/display-off=7min\n"
                              "[Locks]\nAC/sleep=never\n";
// A later folder: its Office and its Active lose to the first folder's, its other plan and lock count.
const QByteArray kSecondFile = "[Store]\nActive={0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11}\n"
                               "[{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}]\nName=Not this one\n"
                               "[{0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11}]\nName=Lab\n"
                               "[Locks]\nAC/sleep=1h\nDC/brightness=40%\n";

quint32 valueOf(
    const PowerPlatform &store, PowerSource source, const QUuid &plan, const QUuid &subgroup, const QUuid &setting)
{
    return store.valueIndex(source, plan, subgroup, setting).valueOr(12345);
}

} // namespace

class TestSystemPlans : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_userFile = m_env->path(u"config/ampora/schemes.ini"_s);
        m_first = m_env->writeFile(u"etc1/ampora/schemes.ini"_s, kFirstFile);
        m_second = m_env->writeFile(u"etc2/ampora/schemes.ini"_s, kSecondFile);
        qputenv(
            "XDG_CONFIG_DIRS", QFile::encodeName(m_env->path(u"etc1"_s) + u":relative:"_s + m_env->path(u"etc2"_s)));
    }

    void systemPlansAreListedActivatedCopiedAndNeverChanged()
    {
        QCOMPARE(SystemPlans::systemFiles(), (QStringList { m_first, m_second }));
        SchemeStore store(m_userFile, SystemPlans::systemFiles());
        // After the user's own, the first folder winning; the first start takes the system's Active.
        const QList<QUuid> schemes = store.schemes().valueOr({});
        QCOMPARE(schemes.size(), 5);
        QCOMPARE(schemes.mid(3), (QList<QUuid> { kOffice, kLab }));
        QCOMPARE(store.friendlyName(kOffice).valueOr({}), u"Office"_s);
        QCOMPARE(store.description(kOffice).valueOr({}), u"Set by IT"_s);
        QVERIFY(store.isSystemScheme(kOffice) && !store.isSystemScheme(kBalanced));
        QCOMPARE(store.activeScheme().valueOr({}), kOffice);
        QVERIFY(TestEnvironment::readFile(m_userFile).contains("ActiveIsSystemPlan=true"));

        // Its own values, Balanced's where it gives none, and the locks of both files in every plan.
        QCOMPARE(valueOf(store, PowerSource::Ac, kOffice, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT), 600u);
        QCOMPARE(valueOf(store, PowerSource::Dc, kLab, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT),
            valueOf(store, PowerSource::Dc, kBalanced, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT));
        for (const QUuid &plan : { kBalanced, kOffice, kLab }) {
            QCOMPARE(valueOf(store, PowerSource::Ac, plan, GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT), 0u);
            QCOMPARE(
                valueOf(store, PowerSource::Dc, plan, GUID_VIDEO_SUBGROUP, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS),
                40u);
        }

        // Nothing changes a system plan or a locked value, and a refusal leaves the file alone.
        const QByteArray before = TestEnvironment::readFile(m_userFile);
        const auto readOnly = [](const Result<> &result) { return result.failedWith(Failure::Kind::ReadOnly); };
        QVERIFY(readOnly(store.writeFriendlyName(kOffice, u"Mine"_s)));
        QVERIFY(readOnly(store.writeDescription(kLab, u"x"_s)));
        QVERIFY(readOnly(
            store.writeValueIndex(PowerSource::Dc, kOffice, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 60)));
        QVERIFY(readOnly(store.deleteScheme(kLab)));
        QVERIFY(
            readOnly(store.writeValueIndex(PowerSource::Ac, kBalanced, GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT, 60)));
        QCOMPARE(TestEnvironment::readFile(m_userFile), before);
        // The lock's own value is no change: the plan keeps its value beneath the lock.
        QVERIFY(store.writeValueIndex(PowerSource::Ac, kBalanced, GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT, 0).ok());
        QVERIFY(store.writeFriendlyName(kBalanced, u"Lab"_s).failedWith(Failure::Kind::AlreadyExists));
        // A plan of the user's named so before the administrator's plan came keeps its name.
        QVERIFY(store.writeFriendlyName(kBalanced, u"Office"_s).failedWith(Failure::Kind::AlreadyExists));
        QVERIFY(SchemeStore(m_userFile).writeFriendlyName(kBalanced, u"Office"_s).ok());
        QVERIFY(store.writeFriendlyName(kBalanced, u"office"_s).ok());
        QVERIFY(store.writeFriendlyName(kBalanced, u"Balanced"_s).ok());

        // A copy is the user's own plan, with the system plan's values.
        const Result<QUuid> copy = store.duplicateScheme(kOffice);
        QVERIFY(copy.ok());
        QVERIFY(!store.isSystemScheme(*copy));
        QVERIFY(store.writeFriendlyName(*copy, u"My office"_s).ok());
        QCOMPARE(valueOf(store, PowerSource::Dc, *copy, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT), 420u);

        QVERIFY(store.setActiveScheme(kBalanced).ok());
        QVERIFY(store.setActiveScheme(kLab).ok());
        QCOMPARE(SchemeStore(m_userFile, SystemPlans::systemFiles()).activeScheme().valueOr({}), kLab);
    }

    void damagedSystemFileIsSkippedWithOneLineAndTheUserStoreKept()
    {
        QVERIFY(SchemeStore(m_userFile, { m_second }).setActiveScheme(kLab).ok());
        const QByteArray userBytes = TestEnvironment::readFile(m_userFile);
        m_env->writeFile(u"etc2/ampora/schemes.ini"_s, QByteArray(kSecondFile).replace("40%", "bright"));
        {
            StderrCapture stderrLines;
            SchemeStore store(m_userFile, { m_second });
            QCOMPARE(store.schemes().valueOr({}).size(), 3);
            QCOMPARE(store.activeScheme().valueOr({}), kBalanced); // the user's first plan meanwhile
            QVERIFY(store.lockedValue(PowerSource::Dc, GUID_VIDEO_SUBGROUP, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS)
                == std::nullopt);
            const QByteArray said = stderrLines.text();
            QCOMPARE(said.count('\n'), 1);
            QVERIFY2(said.contains(
                         QByteArray(m_second.toUtf8() + " is damaged and was skipped: line 9: bad value \"bright\"")),
                said.constData());
        }
        QCOMPARE(TestEnvironment::readFile(m_userFile), userBytes);
        m_env->writeFile(u"etc2/ampora/schemes.ini"_s, kSecondFile);
        QCOMPARE(SchemeStore(m_userFile, { m_second }).activeScheme().valueOr({}), kLab);
        // Choosing the fallback while the plan is gone is a choice that stays.
        m_env->writeFile(u"etc2/ampora/schemes.ini"_s, "[Store]\n");
        QVERIFY(SchemeStore(m_userFile, { m_second }).setActiveScheme(kBalanced).ok());
        m_env->writeFile(u"etc2/ampora/schemes.ini"_s, kSecondFile);
        QCOMPARE(SchemeStore(m_userFile, { m_second }).activeScheme().valueOr({}), kBalanced);
    }

    void damagedFilesAreToldByLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("newer format") << QByteArray("[Store]\nFormat=2\n") << u"line 2: written in format 2"_s;
        QTest::newRow("no entry") << QByteArray("[Locks]\nAC/sleep\n") << u"line 2: not a key=value line"_s;
        QTest::newRow("section") << QByteArray("[Plans]\n") << u"line 1: unknown section [Plans]"_s;
        QTest::newRow("setting") << QByteArray("[Locks]\nAC/warp=1\n") << u"line 2: unknown setting \"warp\""_s;
        QTest::newRow("no name") << QByteArray("[{0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11}]\nDescription=x\n")
                                 << u"line 1: the plan {0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11} has no Name"_s;
        QTest::newRow("active") << QByteArray("[Store]\nActive[$i]={0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11}\n")
                                << u"line 2: the active plan {0B1D35F4-2C57-4F61-9E22-0C7E2B3F2A11} is neither"_s;
        QTest::newRow("text") << QByteArray("[Locks]\nAC/sleep=\xff\n") << u"line 2: not UTF-8 text"_s;
    }

    void damagedFilesAreToldByLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, problem);
        const Result<SystemPlans> parsed = SystemPlans::parse(text);
        QVERIFY(parsed.failedWith(Failure::Kind::Invalid));
        QVERIFY2(parsed.failure().message.startsWith(problem), qPrintable(parsed.failure().message));
    }

    void pinnedActivePlanCannotBeChanged()
    {
        QVERIFY(SchemeStore(m_userFile).setActiveScheme(defaultPlans()[2].guid).ok());
        m_env->writeFile(u"etc1/ampora/schemes.ini"_s, QByteArray(kFirstFile).replace("Active=", "Active[$i]="));
        SchemeStore store(m_userFile, SystemPlans::systemFiles());
        QVERIFY(store.isActiveLocked());
        QCOMPARE(store.activeScheme().valueOr({}), kOffice);
        QVERIFY(store.setActiveScheme(kBalanced).failedWith(Failure::Kind::ReadOnly));
        QVERIFY(!TestEnvironment::readFile(m_userFile).contains(guidToText(kOffice).toUtf8())); // never copied in
    }

    // The in-memory fake serves the same files as the store does, so tests through it see the
    // same plans, locks and refusals.
    void fakeServesSystemPlansAsTheStore()
    {
        SchemeStore store(m_userFile, SystemPlans::systemFiles());
        FakePowerPlatform fake;
        fake.addScheme(u"Balanced"_s, {}, kBalanced);
        fake.setSystemPlans(SystemPlans::load(SystemPlans::systemFiles()));
        for (PowerPlatform *platform : std::initializer_list<PowerPlatform *> { &store, &fake }) {
            QCOMPARE(platform->schemes().valueOr({}).mid(platform == &fake ? 1 : 3), (QList<QUuid> { kOffice, kLab }));
            QVERIFY(platform->isSystemScheme(kLab) && !platform->isSystemScheme(kBalanced));
            QCOMPARE(platform->friendlyName(kOffice).valueOr({}), u"Office"_s);
            QCOMPARE(valueOf(*platform, PowerSource::Ac, kBalanced, GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT), 0u);
            QVERIFY(platform->writeFriendlyName(kOffice, u"Mine"_s).failedWith(Failure::Kind::ReadOnly));
            QVERIFY(platform->deleteScheme(kLab).failedWith(Failure::Kind::ReadOnly));
            QVERIFY(platform->writeValueIndex(PowerSource::Ac, kBalanced, GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT, 60)
                        .failedWith(Failure::Kind::ReadOnly));
            const Result<QUuid> copy = platform->duplicateScheme(kOffice);
            QVERIFY(copy.ok() && !platform->isSystemScheme(*copy));
            QCOMPARE(
                valueOf(*platform, PowerSource::Ac, *copy, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT), 600u);
            QVERIFY(platform->setActiveScheme(kOffice).ok());
            QCOMPARE(platform->activeScheme().valueOr({}), kOffice);
        }
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_userFile;
    QString m_first;
    QString m_second;
};

QTEST_GUILESS_MAIN(TestSystemPlans)
#include "TestSystemPlans.moc"
