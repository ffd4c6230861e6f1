#include "IniFile.h"
#include "TestEnvironment.h"

#include <QRandomGenerator>
#include <QTest>

class TestIniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsWithProfileRules();
    void decodesEveryEncoding_data();
    void decodesEveryEncoding();
    void reportsMalformedLines();
    void editsKeepTheRestOfTheFile();
    void refusesValuesThatWouldInjectLines_data();
    void refusesValuesThatWouldInjectLines();
    void missingFileIsEmpty();
    void survivesHostileBytes();
};

void TestIniFile::readsWithProfileRules()
{
    const IniFile ini = IniFile::fromBytes("; comment\n"
                                           "[Ampora]\n"
                                           "  IDS_CAPTION  =  Ampora Power  \n"
                                           "ids_caption=second wins never\n"
                                           "EMPTY=\n"
                                           "Quoted=\"kept as stored\"\n"
                                           "Eq=a=b\n"
                                           "[ampora]\n"
                                           "Other=from the second section of the same name\n"
                                           "[  Spaced  ]\n"
                                           "k=v\r\n");
    QCOMPARE(ini.value(QStringLiteral("AMPORA"), QStringLiteral("ids_CAPTION")), QStringLiteral("Ampora Power"));
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("EMPTY"), QStringLiteral("x")), QString());
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("Quoted")), QStringLiteral("\"kept as stored\""));
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("Eq")), QStringLiteral("a=b"));
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("Other"), QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(ini.value(QStringLiteral("Spaced"), QStringLiteral("k")), QStringLiteral("v"));
    QVERIFY(ini.malformedLines().isEmpty());
}

void TestIniFile::decodesEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("[Ampora]\nName=Énergie ⚡\n");
    QTest::newRow("utf-8") << text.toUtf8();
    QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QTest::newRow("utf-16le with BOM") << utf16;
}

void TestIniFile::decodesEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    const IniFile ini = IniFile::fromBytes(bytes);
    QVERIFY(!ini.hasEncodingError());
    QCOMPARE(ini.value(QStringLiteral("Ampora"), QStringLiteral("Name")), QStringLiteral("Énergie ⚡"));
}

void TestIniFile::reportsMalformedLines()
{
    const IniFile ini = IniFile::fromBytes("[A]\nk=v\njust words\n[unclosed\n=no key\n# comment\n");
    QCOMPARE(ini.malformedLines(), (QList<int>{3, 4, 5}));
    QVERIFY(IniFile::fromBytes("[A]\nName=\xC3\x28\n").hasEncodingError());
}

void TestIniFile::editsKeepTheRestOfTheFile()
{
    IniFile ini = IniFile::fromBytes("; keep me\n[A]\nx = 1 ; not a comment\n\n[B]\ny=2\n");
    QVERIFY(ini.setValue(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("10")));
    QVERIFY(ini.setValue(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("3")));
    QVERIFY(ini.setValue(QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("4")));
    QVERIFY(ini.removeKey(QStringLiteral("B"), QStringLiteral("Y")));
    QVERIFY(!ini.removeKey(QStringLiteral("B"), QStringLiteral("missing")));
    QCOMPARE(ini.toBytes(), QByteArray("; keep me\n[A]\nx=10\nz=3\n\n[B]\n[C]\nw=4\n"));
    QVERIFY(ini.removeSection(QStringLiteral("b")));
    QCOMPARE(ini.sectionNames(), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    QCOMPARE(ini.value(QStringLiteral("C"), QStringLiteral("w")), QStringLiteral("4"));

    TestEnvironment env;
    const QString path = env.path(QStringLiteral("sub/dir/file.ini"));
    QVERIFY(ini.save(path));
    QCOMPARE(TestEnvironment::readFile(path), ini.toBytes());
}

void TestIniFile::refusesValuesThatWouldInjectLines_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("newline in value") << "A" << "k" << "v\n[Store]\nActive=x";
    QTest::newRow("carriage return") << "A" << "k" << "v\rx=y";
    QTest::newRow("NUL in value") << "A" << "k" << QString(QChar(u'\0'));
    QTest::newRow("equals in key") << "A" << "k=j" << "v";
    QTest::newRow("bracket key") << "A" << "[B]" << "v";
    QTest::newRow("bracket in section") << "A]x" << "k" << "v";
    QTest::newRow("empty key") << "A" << "  " << "v";
}

void TestIniFile::refusesValuesThatWouldInjectLines()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    IniFile ini = IniFile::fromBytes("[A]\nk=old\n");
    QVERIFY(!ini.setValue(section, key, value));
    QCOMPARE(ini.toBytes(), QByteArray("[A]\nk=old\n"));
}

void TestIniFile::missingFileIsEmpty()
{
    TestEnvironment env;
    const IniFile ini = IniFile::load(env.path(QStringLiteral("nothing.ini")));
    QVERIFY(!ini.fileExists());
    QCOMPARE(ini.value(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("d")), QStringLiteral("d"));
}

void TestIniFile::survivesHostileBytes()
{
    QRandomGenerator random(7);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(int(random.bounded(4000)), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(random.bounded(256));
        if (round % 3 == 0)
            bytes.replace(char(random.bounded(256)), "\n[A]\nk=");
        IniFile ini = IniFile::fromBytes(round % 5 == 0 ? QByteArray("\xFF\xFE") + bytes : bytes);
        ini.value(QStringLiteral("A"), QStringLiteral("k"));
        ini.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
        QCOMPARE(IniFile::fromBytes(ini.toBytes()).value(QStringLiteral("A"), QStringLiteral("k")),
                 ini.hasSection(QStringLiteral("A")) ? QStringLiteral("v") : QString());
    }
    const IniFile longLine = IniFile::fromBytes("[A]\nk=" + QByteArray(1 << 20, 'x'));
    QCOMPARE(longLine.value(QStringLiteral("A"), QStringLiteral("k")).size(), 1 << 20);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "TestIniFile.moc"
