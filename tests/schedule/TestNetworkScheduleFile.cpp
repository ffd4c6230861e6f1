// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"
#include "FakePowerPlatform.h"
#include "FileSizeLimit.h"
#include "Guid.h"
#include "IniFile.h"
#include "NetworkScheduleFile.h"
#include "ScheduleTestSupport.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "StderrCapture.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using Guid::guidToText;
using Program::sharedStrings;

namespace {

const QUuid kBalanced = QUuid::fromString(u"{381B4222-F694-41F0-9685-FF5BB260DF2E}");
const QUuid kHigh = QUuid::fromString(u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}");
const QUuid kSaver = QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}");

QUuid network(int n)
{
    return QUuid::fromString(u"{5F2B7C10-0D1E-4C7A-9E55-0A1B2C3D4E%1}"_s.arg(n, 2, 10, QChar(u'0')));
}

NetworkList::Network known(int n, const QString &name)
{
    return { name, network(n), false };
}

// One record as "plan|network|networkGuid|state", so a whole list compares in one go.
QString row(const QString &plan, const QString &name, const QUuid &guid, bool enabled)
{
    return plan + u'|' + name + u'|' + guidToText(guid) + u'|' + (enabled ? u"on" : u"off");
}

QStringList describe(const QList<NetworkSchedule> &schedules)
{
    QStringList rows;
    for (const NetworkSchedule &s : schedules)
        rows.append(row(s.planName, s.networkName, s.networkGuid, s.enabled));
    return rows;
}

QByteArray networkFileBytes()
{
    return TestEnvironment::readFile(sharedStrings().networkFile);
}

QString fixture(const QString &name)
{
    return TestEnvironment::sourceFile(u"schedule/data/"_s + name);
}

void installFixture(const QString &name)
{
    QFile::remove(sharedStrings().networkFile);
    QVERIFY(QFile::copy(fixture(name), sharedStrings().networkFile));
    QFile::setPermissions(sharedStrings().networkFile, QFile::ReadOwner | QFile::WriteOwner);
}

// The file's inode, to tell an untouched file from one replaced with the same bytes.
ino_t inodeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QStringList asideFiles()
{
    return QDir(sharedStrings().dataFolder).entryList({ u"AmporaNetworkInfo.ini.corrupt-*"_s }, QDir::Files);
}

} // namespace

class TestNetworkScheduleFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_platform = std::make_unique<FakePowerPlatform>();
        m_platform->addScheme(u"Balanced"_s, {}, kBalanced);
        m_platform->addScheme(u"High performance"_s, {}, kHigh);
        m_platform->addScheme(u"Power saver"_s, {}, kSaver);
    }

    void readsFixturesWithoutWriting_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("records");

        const QString home = row(u"Balanced"_s, u"Home Wi-Fi"_s, network(1), true);
        const QString guests = row(u"Power saver"_s, u"Café [Gäste] = frei"_s, network(2), false);
        QTest::newRow("ordinary file is kept byte for byte") << "ordinary.ini"
                                                             << "ordinary.ini" << QStringList { home, guests };
        QTest::newRow("reading stops at a gap")
            << "gap.ini"
            << "gap.expected.ini" << QStringList { home, row(u"High performance"_s, u"Office"_s, network(2), false) };
        QTest::newRow("bad GUIDs and deleted plans are left out and renumbered")
            << "dropped.ini"
            << "dropped.expected.ini"
            << QStringList { row(u"High performance"_s, u"Lower-case state"_s, network(4), false),
                   row(u"Balanced"_s, u"Upper-case state"_s, network(5), false),
                   row(u"Power saver"_s, u"Lower-case GUIDs"_s, network(6), true) };
        QTest::newRow("escaped names decode and stay escaped")
            << "escaped.ini"
            << "escaped.ini"
            << QStringList { row(u"Balanced"_s, u"Guest\nampctl_SchdEnabled0=Enabled"_s, network(1), false),
                   row(u"High performance"_s, u"  Lab "_s, network(2), true),
                   row(u"Power saver"_s, u"%utf8:100%"_s, network(3), true) };
    }

    void readsFixturesWithoutWriting()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(QStringList, records);

        installFixture(input);
        const QByteArray original = networkFileBytes();
        const ino_t inode = inodeOf(sharedStrings().networkFile);
        const QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
        QCOMPARE(describe(schedules), records);
        // Listing leaves the file alone, even when it holds schedules the list leaves out.
        QCOMPARE(networkFileBytes(), original);
        QCOMPARE(inodeOf(sharedStrings().networkFile), inode);
        QVERIFY(asideFiles().isEmpty());

        // Writing the list back gives the tidy form, which reads back to the same list.
        QVERIFY(writeNetworkSchedules(schedules));
        QCOMPARE(networkFileBytes(), TestEnvironment::readFile(fixture(expected)));
        QCOMPARE(readNetworkSchedules(*m_platform), schedules);
    }

    void changesDropOnlySchedulesWhosePlanIsKnownGone()
    {
        // With the plan store failing, no plan is known gone: a change keeps the schedule of the
        // deleted plan and drops only the entries that cannot be read.
        installFixture(u"dropped.ini"_s);
        FakePowerPlatform failing;
        failing.setUnreadable(true);
        QCOMPARE(readNetworkSchedules(failing).size(), 4);
        const Result<QList<NetworkSchedule>> kept = setNetworkScheduleEnabled(failing, network(1), false);
        QVERIFY2(kept, qPrintable(kept.failure().message));
        QCOMPARE(kept->size(), 4);
        QCOMPARE(kept->first().planGuid, QUuid::fromString(u"{DEADBEEF-0000-4000-8000-000000000001}"));
        QCOMPARE(readNetworkSchedules(failing), *kept);

        // A change with the plan known gone drops its schedule and renumbers the rest.
        installFixture(u"dropped.ini"_s);
        const Result<QList<NetworkSchedule>> tidied = setNetworkScheduleEnabled(*m_platform, network(4), false);
        QVERIFY2(tidied, qPrintable(tidied.failure().message));
        QCOMPARE(networkFileBytes(), TestEnvironment::readFile(fixture(u"dropped.expected.ini"_s)));
        QCOMPARE(readNetworkSchedules(*m_platform), *tidied);
    }

    // Names that would break the file's lines or look like its escapes round-trip and touch no other
    // key, also when a schedule is saved beside them.
    void hostileNamesRoundTripWithoutTouchingOtherKeys()
    {
        const QStringList names { u"Guest\nampctl_SchdEnabled1=Enabled"_s,
            u"x\r\n[Ampora]\r\nampctl_NetworkGuid1={00000000-0000-0000-0000-000000000000}"_s,
            QStringView(u"a\0b\tc\vd", 7).toString(), QString::fromUtf16(u"one\u2028two\u0085three"), u"   Lab \t"_s,
            u"%utf8:%0A"_s, QString(), QString(200000, u'w') + u"\n="_s + QString(1000, u'[') };
        QList<NetworkSchedule> written;
        for (int n = 0; n < names.size(); ++n)
            written.append({ u"Balanced"_s, names.at(n), kBalanced, network(n), n % 2 == 0 });
        QVERIFY(writeNetworkSchedules(written));

        const IniFile ini = IniFile::load(sharedStrings().networkFile);
        QVERIFY(ini.malformedLines().isEmpty());
        QCOMPARE(ini.sectionNames(), QStringList { u"Ampora"_s });
        QCOMPARE(ini.keys(u"Ampora"_s).size(), 4 * names.size());
        QCOMPARE(ini.value(u"Ampora"_s, u"ampctl_SchdEnabled1"_s), u"Disabled"_s);
        QCOMPARE(readNetworkSchedules(*m_platform), written);

        const Result<QList<NetworkSchedule>> saved
            = saveNetworkSchedule(*m_platform, known(99, names.first()), { u"High performance"_s, {}, kHigh });
        QVERIFY(saved);
        QCOMPARE(saved->size(), names.size() + 1);
        QCOMPARE(readNetworkSchedules(*m_platform), *saved);
    }

    void saveChecksDuplicatesAndRemoveRenumbers()
    {
        const PowerPlan balanced { u"Balanced"_s, {}, kBalanced };
        const PowerPlan saver { u"Power saver"_s, {}, kSaver };

        QVERIFY(saveNetworkSchedule(*m_platform, known(1, u"Home"_s), balanced));
        // The same plan may serve several networks.
        QVERIFY(saveNetworkSchedule(*m_platform, known(2, u"Office"_s), balanced));
        QVERIFY(setNetworkScheduleEnabled(*m_platform, network(2), false));
        const QByteArray before = networkFileBytes();

        QVERIFY(saveNetworkSchedule(*m_platform, known(1, u"Home"_s), saver, network(2))
                    .failedWith(Failure::Kind::AlreadyExists));
        QVERIFY(saveNetworkSchedule(*m_platform, known(4, u"Lab"_s), saver, network(9))
                    .failedWith(Failure::Kind::NotFound));
        QCOMPARE(networkFileBytes(), before);

        // Editing a schedule to its own network is no duplicate; editing swaps only the network.
        QVERIFY(saveNetworkSchedule(*m_platform, known(1, u"Home renamed"_s), saver, network(1)));
        const Result<QList<NetworkSchedule>> edited
            = saveNetworkSchedule(*m_platform, known(3, u"Café"_s), saver, network(2));
        QVERIFY(edited);

        const QStringList expected { row(u"Balanced"_s, u"Home renamed"_s, network(1), true),
            row(u"Balanced"_s, u"Café"_s, network(3), false) };
        QCOMPARE(describe(*edited), expected);
        QCOMPARE(describe(readNetworkSchedules(*m_platform)), expected);

        // Removing one renumbers the rest; the last removal deletes the file (TestAmpctl), and reading
        // without one makes none.
        const Result<QList<NetworkSchedule>> removed = removeNetworkSchedule(*m_platform, network(1));
        QVERIFY(removed);
        const IniFile ini = IniFile::load(sharedStrings().networkFile);
        QCOMPARE(ini.keys(u"Ampora"_s).size(), 4);
        QCOMPARE(ini.value(u"Ampora"_s, u"ampctl_NetworkName0"_s), u"Café"_s);
        QCOMPARE(readNetworkSchedules(*m_platform), *removed);
        QVERIFY(removeNetworkSchedule(*m_platform, network(1)).failedWith(Failure::Kind::NotFound));
        QVERIFY(QFile::remove(sharedStrings().networkFile));
        QVERIFY(readNetworkSchedules(*m_platform).isEmpty());
        QVERIFY(!QFile::exists(sharedStrings().networkFile));
    }

    void saveWritesOnlyItsEntryAndNeverLeavesAGap()
    {
        // A line the program did not write survives an in-place save.
        installFixture(u"commented.ini"_s);
        QVERIFY(saveNetworkSchedule(*m_platform, known(3, u"Lab"_s), { u"Balanced"_s, {}, kBalanced }));
        QCOMPARE(networkFileBytes(), TestEnvironment::readFile(fixture(u"commented.saved.ini"_s)));

        // A file with a gap is written whole: the new schedule fills no gap, and what lay behind the
        // gap, never listed, does not come back.
        installFixture(u"gap.ini"_s);
        const Result<QList<NetworkSchedule>> saved
            = saveNetworkSchedule(*m_platform, known(7, u"Depot"_s), { u"Power saver"_s, {}, kSaver });
        QVERIFY(saved);
        QCOMPARE(saved->size(), 3);
        QCOMPARE(saved->last().networkGuid, network(7));
        QCOMPARE(readNetworkSchedules(*m_platform), *saved);
        QVERIFY(!networkFileBytes().contains("Behind the gap"));

        // The file is what counts, not a list read earlier: one removed behind the program's back
        // leaves the new schedule alone in it.
        QVERIFY(QFile::remove(sharedStrings().networkFile));
        QCOMPARE(saveNetworkSchedule(*m_platform, known(8, u"Yard"_s), { u"Power saver"_s, {}, kSaver })->size(), 1);
    }

    void unreadableFilesAreKeptAsideByTheNextChange_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");
        const QByteArray ordinary = TestEnvironment::readFile(fixture(u"ordinary.ini"_s));
        QTest::newRow("invalid UTF-8") << QByteArray(ordinary + "ampctl_NetworkName2=\xff\xfe\xfd\n") << 2;
        QTest::newRow("a line that is no INI line") << QByteArray(ordinary + "garbage without equals\n") << 2;
        QTest::newRow("binary junk") << QByteArray("\x00\x01\x02\x03\xff", 5) << 0;
    }

    void unreadableFilesAreKeptAsideByTheNextChange()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kept);
        QVERIFY(AtomicFile::write(sharedStrings().networkFile, bytes));
        QCOMPARE(readNetworkSchedules(*m_platform).size(), kept);
        QVERIFY(asideFiles().isEmpty());
        QCOMPARE(networkFileBytes(), bytes);

        // A full disk (a file size limit here): first the copy aside cannot be written, then the copy
        // can but the new file cannot. The change fails with the reason, the damaged file stays as it
        // was, and nothing says that schedules were saved.
        const PowerPlan balanced { u"Balanced"_s, {}, kBalanced };
        for (const rlim_t limit : { rlim_t(bytes.size() / 2), rlim_t(bytes.size()) }) {
            StderrCapture stderrLines;
            const FileSizeLimit full(limit);
            QVERIFY(full.isSet());
            const Result<QList<NetworkSchedule>> refused
                = saveNetworkSchedule(*m_platform, known(7, u"Lab"_s), balanced);
            QVERIFY(refused.failedWith(Failure::Kind::Failed));
            QVERIFY2(refused.failure().message.contains(u"File too large"_s), qPrintable(refused.failure().message));
            QCOMPARE(networkFileBytes(), bytes);
            QVERIFY(asideFiles().isEmpty());
            QVERIFY2(!stderrLines.text().contains("saved"), stderrLines.text().constData());
        }

        // With room, a change keeps the damaged file aside as it was and writes what it read, changed.
        const Result<QList<NetworkSchedule>> saved = saveNetworkSchedule(*m_platform, known(7, u"Lab"_s), balanced);
        QVERIFY(saved);
        QCOMPARE(saved->size(), kept + 1);
        const QStringList aside = asideFiles();
        QCOMPARE(aside.size(), 1);
        QCOMPARE(TestEnvironment::readFile(sharedStrings().dataFolder + u'/' + aside.first()), bytes);
        QVERIFY(IniFile::load(sharedStrings().networkFile).malformedLines().isEmpty());
        QCOMPARE(readNetworkSchedules(*m_platform), *saved);
    }

    void concurrentProcessesLoseNoSchedule()
    {
        // Three processes add schedules (disabling some, adding and removing others) while two list
        // them; every process uses the real plan store in the data folder.
        constexpr int kWriters = 3;
        constexpr int kPerWriter = 20;
        std::vector<std::unique_ptr<QProcess>> clients;
        auto start = [&clients](const QStringList &arguments) {
            auto process = std::make_unique<QProcess>();
            process->start(
                QStringLiteral(NETWORK_SCHEDULE_CLIENT), QStringList { sharedStrings().dataFolder } + arguments);
            clients.push_back(std::move(process));
        };
        for (int writer = 0; writer < kWriters; ++writer)
            start({ u"add"_s, QString::number(writer * kPerWriter), QString::number(kPerWriter) });
        for (int lister = 0; lister < 2; ++lister)
            start({ u"list"_s, u"40"_s });
        // All finish before any is judged, so a failure leaves no process behind.
        for (const std::unique_ptr<QProcess> &client : clients)
            client->waitForFinished(-1);
        for (const std::unique_ptr<QProcess> &client : clients) {
            QVERIFY2(client->exitStatus() == QProcess::NormalExit && client->exitCode() == 0,
                client->readAllStandardError().constData());
        }

        const IniFile ini = IniFile::load(sharedStrings().networkFile);
        QVERIFY(!ini.readFailed() && !ini.hasEncodingError() && ini.malformedLines().isEmpty());
        QCOMPARE(ini.keys(u"Ampora"_s).size(), kWriters * kPerWriter * 4);
        const SchemeStore store(sharedStrings().schemeStoreFile);
        const QList<NetworkSchedule> schedules = readNetworkSchedules(store);
        QCOMPARE(schedules.size(), kWriters * kPerWriter);
        QSet<QUuid> missing;
        for (int n = 0; n < kWriters * kPerWriter; ++n)
            missing.insert(numberedNetwork(n));
        for (const NetworkSchedule &schedule : schedules) {
            const int n = int(schedule.networkName.mid(schedule.networkName.lastIndexOf(u' ') + 1).toInt());
            QCOMPARE(schedule.networkGuid, numberedNetwork(n));
            QCOMPARE(schedule.enabled, n % 2 != 0);
            QCOMPARE(schedule.planName, u"Balanced"_s);
            QVERIFY(missing.remove(schedule.networkGuid));
        }
        QVERIFY(missing.isEmpty());
        QVERIFY(asideFiles().isEmpty());
    }

    // The schedule dialog opens on the connected network; with several, on the last one.
    void connectedIndexIsTheLastConnected()
    {
        const auto connectedIndex = [](const QList<bool> &connected) {
            QList<NetworkList::Network> networks;
            for (const bool c : connected)
                networks.append({ QString::number(networks.size()), network(int(networks.size())), c });
            return NetworkList::connectedIndex(networks);
        };
        QCOMPARE(connectedIndex({ false, false }), -1);
        QCOMPARE(connectedIndex({ true, false, true, false }), 2);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
};

QTEST_GUILESS_MAIN(TestNetworkScheduleFile)
#include "TestNetworkScheduleFile.moc"
