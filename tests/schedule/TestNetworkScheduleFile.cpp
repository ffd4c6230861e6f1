#include "AtomicFile.h"
#include "FakePowerPlatform.h"
#include "Guid.h"
#include "IniFile.h"
#include "NetworkScheduleFile.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QUuid kBalanced = QUuid::fromString(u"{381B4222-F694-41F0-9685-FF5BB260DF2E}");
const QUuid kHigh = QUuid::fromString(u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}");
const QUuid kSaver = QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}");

QUuid network(int n)
{
    return QUuid::fromString(QStringLiteral("{5F2B7C10-0D1E-4C7A-9E55-0A1B2C3D4E%1}").arg(n, 2, 10, QChar(u'0')));
}

NetworkList::Network known(int n, const QString &name)
{
    return {name, network(n), false};
}

// One record as "plan|network|networkGuid|state", so a whole list compares in one go.
QStringList describe(const QList<NetworkSchedule> &schedules)
{
    QStringList rows;
    for (const NetworkSchedule &s : schedules) {
        rows.append(s.planName + u'|' + s.networkName + u'|' + guidToText(s.networkGuid) + u'|'
                    + (s.enabled ? u"on" : u"off"));
    }
    return rows;
}

QByteArray networkFileBytes()
{
    return TestEnvironment::readFile(sharedStrings().networkFile);
}

QString fixture(const QString &name)
{
    return TestEnvironment::sourceFile(QStringLiteral("schedule/data/") + name);
}

void installFixture(const QString &name)
{
    QFile::remove(sharedStrings().networkFile);
    QVERIFY(QFile::copy(fixture(name), sharedStrings().networkFile));
    QFile::setPermissions(sharedStrings().networkFile, QFile::ReadOwner | QFile::WriteOwner);
}

QStringList asideFiles()
{
    return QDir(sharedStrings().dataFolder).entryList({QStringLiteral("AmporaNetworkInfo.ini.corrupt-*")}, QDir::Files);
}

// The plan store itself failing, as opposed to a plan that is gone.
class FailingStore : public FakePowerPlatform
{
public:
    Result<QString> friendlyName(const QUuid &) const override
    {
        return failed(QStringLiteral("store unreadable"));
    }
};

} // namespace

class TestNetworkScheduleFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void readsAndRewritesFixtures_data();
    void readsAndRewritesFixtures();
    void hostileNamesRoundTripWithoutTouchingOtherKeys_data();
    void hostileNamesRoundTripWithoutTouchingOtherKeys();
    void saveChecksDuplicatesForNewAndEdit();
    void saveWritesOnlyItsEntryAndNeverLeavesAGap();
    void enableDisableWritesOneKey();
    void removeRenumbersAndLastRemovalDeletesTheFile();
    void unreadableFilesAreKeptAside_data();
    void unreadableFilesAreKeptAside();
    void connectedIndexIsTheLastConnected_data();
    void connectedIndexIsTheLastConnected();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
};

void TestNetworkScheduleFile::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_platform = std::make_unique<FakePowerPlatform>();
    m_platform->addScheme(QStringLiteral("Balanced"), {}, kBalanced);
    m_platform->addScheme(QStringLiteral("High performance"), {}, kHigh);
    m_platform->addScheme(QStringLiteral("Power saver"), {}, kSaver);
}

void TestNetworkScheduleFile::cleanup()
{
    m_platform.reset();
    m_env.reset();
}

void TestNetworkScheduleFile::readsAndRewritesFixtures_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("records");

    const QString home = QStringLiteral("Balanced|Home Wi-Fi|") + guidToText(network(1)) + QStringLiteral("|on");
    const QString guests = QStringLiteral("Power saver|Café [Gäste] = frei|") + guidToText(network(2)) + QStringLiteral("|off");
    QTest::newRow("ordinary file is kept byte for byte") << "ordinary.ini" << "ordinary.ini" << QStringList{home, guests};
    QTest::newRow("UTF-16 with CRLF is rewritten as UTF-8") << "utf16.ini" << "ordinary.ini" << QStringList{home, guests};
    QTest::newRow("reading stops at a gap") << "gap.ini" << "gap.expected.ini"
                                            << QStringList{home, QStringLiteral("High performance|Office|")
                                                                     + guidToText(network(2)) + QStringLiteral("|off")};
    QTest::newRow("bad GUIDs and deleted plans are dropped and renumbered")
        << "dropped.ini" << "dropped.expected.ini"
        << QStringList{QStringLiteral("High performance|Lower-case state|") + guidToText(network(4)) + QStringLiteral("|off"),
                       QStringLiteral("Balanced|Upper-case state|") + guidToText(network(5)) + QStringLiteral("|off"),
                       QStringLiteral("Power saver|Lower-case GUIDs|") + guidToText(network(6)) + QStringLiteral("|on")};
    QTest::newRow("profile rules: case, blanks, BOM, first section wins")
        << "loose.ini" << "loose.expected.ini" << QStringList{home};
    QTest::newRow("escaped names decode and stay escaped")
        << "escaped.ini" << "escaped.ini"
        << QStringList{QStringLiteral("Balanced|Guest\nampctl_SchdEnabled0=Enabled|") + guidToText(network(1))
                           + QStringLiteral("|off"),
                       QStringLiteral("High performance|  Lab |") + guidToText(network(2)) + QStringLiteral("|on"),
                       QStringLiteral("Power saver|%utf8:100%|") + guidToText(network(3)) + QStringLiteral("|on")};
}

void TestNetworkScheduleFile::readsAndRewritesFixtures()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(QStringList, records);

    installFixture(input);
    const QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
    QCOMPARE(describe(schedules), records);
    QCOMPARE(networkFileBytes(), TestEnvironment::readFile(fixture(expected)));
    QVERIFY(asideFiles().isEmpty());

    // The rewritten file reads back to the same list and is not changed again.
    const QByteArray rewritten = networkFileBytes();
    QCOMPARE(readNetworkSchedules(*m_platform), schedules);
    QCOMPARE(networkFileBytes(), rewritten);
}

void TestNetworkScheduleFile::hostileNamesRoundTripWithoutTouchingOtherKeys_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("line feed injecting a key") << QStringLiteral("Guest\nampctl_SchdEnabled1=Enabled");
    QTest::newRow("CRLF injecting a section") << QStringLiteral("x\r\n[Ampora]\r\nampctl_NetworkGuid1={00000000-0000-0000-0000-000000000000}");
    QTest::newRow("lone carriage return") << QStringLiteral("a\rb");
    QTest::newRow("NUL") << QStringView(u"before\0after", 12).toString();
    QTest::newRow("tab and vertical tab") << QStringLiteral("a\tb\vc");
    QTest::newRow("unicode line separator") << QString::fromUtf16(u"one\u2028two\u0085three");
    QTest::newRow("leading blanks") << QStringLiteral("   Lab");
    QTest::newRow("trailing blanks") << QStringLiteral("Lab \t");
    QTest::newRow("only blanks") << QStringLiteral("   ");
    QTest::newRow("no-break space at the edge") << QString::fromUtf16(u"\u00A0Lab");
    QTest::newRow("equals signs") << QStringLiteral("ampctl_SchdEnabled1=Enabled");
    QTest::newRow("section header") << QStringLiteral("[Ampora]");
    QTest::newRow("comment markers") << QStringLiteral("; not a comment #");
    QTest::newRow("escape prefix") << QStringLiteral("%utf8:%0A");
    QTest::newRow("percent signs") << QStringLiteral("100% %20 %zz %");
    QTest::newRow("non-Latin and emoji") << QString::fromUtf16(u"Ρεύμα 電源 \U0001F50C");
    QTest::newRow("empty") << QString();
    QTest::newRow("very long") << QString(200000, u'w') + QStringLiteral("\n=") + QString(1000, u'[');
}

void TestNetworkScheduleFile::hostileNamesRoundTripWithoutTouchingOtherKeys()
{
    QFETCH(QString, name);
    const QList<NetworkSchedule> written{
        {QStringLiteral("Balanced"), name, kBalanced, network(1), false},
        {QStringLiteral("Power saver"), QStringLiteral("Neighbour"), kSaver, network(2), false},
    };
    QVERIFY(writeNetworkSchedules(written));

    const IniFile ini = IniFile::load(sharedStrings().networkFile);
    QVERIFY(ini.malformedLines().isEmpty());
    QCOMPARE(ini.sectionNames(), QStringList{QStringLiteral("Ampora")});
    QCOMPARE(ini.keys(QStringLiteral("Ampora")).size(), 8);
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("ampctl_SchdEnabled0")), QStringLiteral("Disabled"));
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("ampctl_SchdEnabled1")), QStringLiteral("Disabled"));
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("ampctl_NetworkGuid1")), guidToText(network(2)));

    const QList<NetworkSchedule> read = readNetworkSchedules(*m_platform);
    QCOMPARE(read.size(), 2);
    QCOMPARE(read.at(0).networkName, name);
    QCOMPARE(read, written);

    // Saving a new schedule keeps the hostile entry intact too.
    QList<NetworkSchedule> schedules = read;
    QCOMPARE(saveNetworkSchedule(schedules, known(3, name), {QStringLiteral("High performance"), {}, kHigh}),
             NetworkSaveResult::Saved);
    QCOMPARE(describe(readNetworkSchedules(*m_platform)), describe(schedules));
}

void TestNetworkScheduleFile::saveChecksDuplicatesForNewAndEdit()
{
    const PowerPlan balanced{QStringLiteral("Balanced"), {}, kBalanced};
    const PowerPlan saver{QStringLiteral("Power saver"), {}, kSaver};
    QList<NetworkSchedule> schedules;

    QCOMPARE(saveNetworkSchedule(schedules, known(1, QStringLiteral("Home")), balanced), NetworkSaveResult::Saved);
    // The same plan may serve several networks.
    QCOMPARE(saveNetworkSchedule(schedules, known(2, QStringLiteral("Office")), balanced), NetworkSaveResult::Saved);
    QVERIFY(setNetworkScheduleEnabled(schedules, 1, false));
    const QByteArray before = networkFileBytes();

    QCOMPARE(saveNetworkSchedule(schedules, known(1, QStringLiteral("Home again")), saver),
             NetworkSaveResult::Duplicate);
    QCOMPARE(saveNetworkSchedule(schedules, known(1, QStringLiteral("Home")), saver, 1), NetworkSaveResult::Duplicate);
    QCOMPARE(schedules.size(), 2);
    QCOMPARE(networkFileBytes(), before);

    // Editing a schedule to its own network is no duplicate; editing swaps only the network.
    QCOMPARE(saveNetworkSchedule(schedules, known(1, QStringLiteral("Home renamed")), saver, 0),
             NetworkSaveResult::Saved);
    QCOMPARE(saveNetworkSchedule(schedules, known(3, QStringLiteral("Café")), saver, 1), NetworkSaveResult::Saved);

    const QStringList expected{QStringLiteral("Balanced|Home renamed|") + guidToText(network(1)) + QStringLiteral("|on"),
                               QStringLiteral("Balanced|Café|") + guidToText(network(3)) + QStringLiteral("|off")};
    QCOMPARE(describe(schedules), expected);
    QCOMPARE(describe(readNetworkSchedules(*m_platform)), expected);
}

void TestNetworkScheduleFile::saveWritesOnlyItsEntryAndNeverLeavesAGap()
{
    installFixture(QStringLiteral("ordinary.ini"));
    QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
    // A line the program did not write survives an in-place save.
    QFile file(sharedStrings().networkFile);
    QVERIFY(file.open(QIODevice::Append));
    file.write("; kept\n");
    file.close();

    QCOMPARE(saveNetworkSchedule(schedules, known(3, QStringLiteral("Lab")), {QStringLiteral("Balanced"), {}, kBalanced}),
             NetworkSaveResult::Saved);
    QByteArray expected = TestEnvironment::readFile(fixture(QStringLiteral("ordinary.ini")));
    expected += "; kept\nampctl_NetworkGuid2=" + guidToText(network(3)).toUtf8() + "\nampctl_PwrPlanGuid2="
                + guidToText(kBalanced).toUtf8() + "\nampctl_NetworkName2=Lab\nampctl_SchdEnabled2=Enabled\n";
    QCOMPARE(networkFileBytes(), expected);

    // With the file gone behind the program's back, the whole list is written instead of a lone
    // entry 3 that the next read would never reach.
    QVERIFY(QFile::remove(sharedStrings().networkFile));
    QCOMPARE(saveNetworkSchedule(schedules, known(4, QStringLiteral("Depot")), {QStringLiteral("Power saver"), {}, kSaver}),
             NetworkSaveResult::Saved);
    QCOMPARE(readNetworkSchedules(*m_platform).size(), 4);
}

void TestNetworkScheduleFile::enableDisableWritesOneKey()
{
    installFixture(QStringLiteral("ordinary.ini"));
    QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
    const QByteArray original = networkFileBytes();

    QVERIFY(setNetworkScheduleEnabled(schedules, 1, true));
    QVERIFY(schedules.at(1).enabled);
    QByteArray expected = original;
    expected.replace("ampctl_SchdEnabled1=Disabled", "ampctl_SchdEnabled1=Enabled");
    QCOMPARE(networkFileBytes(), expected);

    QVERIFY(setNetworkScheduleEnabled(schedules, 0, false));
    QVERIFY(setNetworkScheduleEnabled(schedules, 1, false));
    expected = original;
    expected.replace("ampctl_SchdEnabled0=Enabled", "ampctl_SchdEnabled0=Disabled");
    QCOMPARE(networkFileBytes(), expected);
    QCOMPARE(readNetworkSchedules(*m_platform), schedules);
}

void TestNetworkScheduleFile::removeRenumbersAndLastRemovalDeletesTheFile()
{
    const PowerPlan balanced{QStringLiteral("Balanced"), {}, kBalanced};
    QList<NetworkSchedule> schedules;
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(saveNetworkSchedule(schedules, known(n, QString::number(n)), balanced), NetworkSaveResult::Saved);

    QVERIFY(removeNetworkSchedule(schedules, 1));
    const IniFile ini = IniFile::load(sharedStrings().networkFile);
    QCOMPARE(ini.keys(QStringLiteral("Ampora")).size(), 8);
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("ampctl_NetworkName1")), QStringLiteral("3"));
    QCOMPARE(readNetworkSchedules(*m_platform), schedules);

    QVERIFY(removeNetworkSchedule(schedules, 1));
    QVERIFY(QFile::exists(sharedStrings().networkFile));
    QVERIFY(removeNetworkSchedule(schedules, 0));
    QVERIFY(schedules.isEmpty());
    QVERIFY(!QFile::exists(sharedStrings().networkFile));
    // Reading without a file leaves no file either.
    QVERIFY(readNetworkSchedules(*m_platform).isEmpty());
    QVERIFY(!QFile::exists(sharedStrings().networkFile));
}

void TestNetworkScheduleFile::unreadableFilesAreKeptAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kept");
    const QByteArray entry = "ampctl_NetworkGuid0=" + guidToText(network(1)).toUtf8() + "\nampctl_PwrPlanGuid0="
                             + guidToText(kBalanced).toUtf8() + "\nampctl_NetworkName0=Home\nampctl_SchdEnabled0=Enabled\n";
    QTest::newRow("invalid UTF-8") << QByteArray("[Ampora]\n" + entry + "ampctl_NetworkName1=\xff\xfe\xfd\n") << 1;
    QTest::newRow("a line that is no INI line") << QByteArray("[Ampora]\n" + entry + "garbage without equals\n") << 1;
    QTest::newRow("binary junk") << QByteArray("\x00\x01\x02\x03\xff", 5) << 0;
}

void TestNetworkScheduleFile::unreadableFilesAreKeptAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kept);
    QVERIFY(AtomicFile::write(sharedStrings().networkFile, bytes));
    QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
    QCOMPARE(schedules.size(), kept);
    const QStringList aside = asideFiles();
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TestEnvironment::readFile(sharedStrings().dataFolder + u'/' + aside.first()), bytes);
    QCOMPARE(QFile::exists(sharedStrings().networkFile), kept > 0);
    if (kept > 0)
        QVERIFY(IniFile::load(sharedStrings().networkFile).malformedLines().isEmpty());

    // A save that meets an unreadable file keeps it aside as well and writes the whole list.
    QVERIFY(AtomicFile::write(sharedStrings().networkFile, bytes));
    QCOMPARE(saveNetworkSchedule(schedules, known(7, QStringLiteral("Lab")), {QStringLiteral("Balanced"), {}, kBalanced}),
             NetworkSaveResult::Saved);
    QCOMPARE(asideFiles().size(), 2);
    QCOMPARE(describe(readNetworkSchedules(*m_platform)), describe(schedules));
}

void TestNetworkScheduleFile::connectedIndexIsTheLastConnected_data()
{
    QTest::addColumn<QList<bool>>("connected");
    QTest::addColumn<qsizetype>("index");
    QTest::newRow("no networks") << QList<bool>{} << qsizetype(-1);
    QTest::newRow("none connected") << QList<bool>{false, false} << qsizetype(-1);
    QTest::newRow("one connected") << QList<bool>{false, true, false} << qsizetype(1);
    QTest::newRow("last connected wins") << QList<bool>{true, false, true, false} << qsizetype(2);
}

void TestNetworkScheduleFile::connectedIndexIsTheLastConnected()
{
    QFETCH(QList<bool>, connected);
    QFETCH(qsizetype, index);
    QList<NetworkList::Network> networks;
    for (const bool c : connected)
        networks.append({QString::number(networks.size()), network(int(networks.size())), c});
    QCOMPARE(NetworkList::connectedIndex(networks), index);
}

QTEST_GUILESS_MAIN(TestNetworkScheduleFile)
#include "TestNetworkScheduleFile.moc"
