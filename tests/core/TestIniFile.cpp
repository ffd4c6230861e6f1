// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSizeLimit.h"
#include "Guid.h"
#include "IniFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sys/stat.h>

using Guid::guidToText;
using Guid::textToGuid;

using namespace Qt::StringLiterals;

namespace {

QByteArray utf16WithBom(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return bytes;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsWithProfileRules()
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
        QCOMPARE(ini.value(u"AMPORA"_s, u"ids_CAPTION"_s), u"Ampora Power"_s);
        QCOMPARE(ini.value(u"Ampora"_s, u"EMPTY"_s, u"x"_s), QString());
        QCOMPARE(ini.value(u"Ampora"_s, u"Quoted"_s), u"\"kept as stored\""_s);
        QCOMPARE(ini.value(u"Ampora"_s, u"Eq"_s), u"a=b"_s);
        QCOMPARE(ini.value(u"Ampora"_s, u"Other"_s, u"none"_s), u"none"_s);
        QCOMPARE(ini.value(u"Spaced"_s, u"k"_s), u"v"_s);
        QVERIFY(ini.malformedLines().isEmpty());
        const IniFile bad = IniFile::fromBytes("[A]\nk=v\njust words\n[unclosed\n=no key\n# comment\n");
        QCOMPARE(bad.malformedLines(), (QList<int> { 3, 4, 5 }));
        // Random bytes and their round trips after edits are the fuzz_ini harness's part.
        const IniFile longLine = IniFile::fromBytes("[A]\nk=" + QByteArray(1 << 20, 'x'));
        QCOMPARE(longLine.value(u"A"_s, u"k"_s).size(), 1 << 20);
    }

    // Text that would change if it were written back counts as damaged, so callers keep it aside; a
    // valid surrogate pair does not. (Plain UTF-8 is what every other test reads.)
    void decodesTextAndSeesDamage()
    {
        const QString text = u"[Ampora]\nName=Énergie ⚡😀\n"_s;
        const QString name = u"[Ampora]\nName="_s;
        const std::pair<QByteArray, bool> cases[] = {
            { QByteArray("\xEF\xBB\xBF") + text.toUtf8(), false }, { utf16WithBom(text), false },
            { QByteArray("[Ampora]\nName=\xC3\x28\n"), true },
            { utf16WithBom(name + QChar(0xD83D) + u"x\n"_s), true }, // a lone high surrogate
            { utf16WithBom(name + u"x"_s).chopped(1), true }, // an odd byte count
        };
        for (const auto &[bytes, damaged] : cases) { // a file's bytes are parsed as these are
            const IniFile loaded = IniFile::fromBytes(bytes);
            QCOMPARE(loaded.hasEncodingError(), damaged);
            if (!damaged)
                QCOMPARE(loaded.value(u"Ampora"_s, u"Name"_s), u"Énergie ⚡😀"_s);
        }
    }

    void editsKeepTheRestOfTheFile()
    {
        IniFile ini = IniFile::fromBytes("; keep me\n[A]\nx = 1 ; not a comment\n\n[B]\ny=2\n");
        QVERIFY(ini.setValue(u"a"_s, u"X"_s, u"10"_s));
        QVERIFY(ini.setValue(u"A"_s, u"z"_s, u"3"_s));
        QVERIFY(ini.setValue(u"C"_s, u"w"_s, u"4"_s));
        QVERIFY(ini.removeKey(u"B"_s, u"Y"_s));
        QVERIFY(ini.removeKey(u"B"_s, u"missing"_s).failedWith(Failure::Kind::NotFound));
        QCOMPARE(ini.toBytes(), QByteArray("; keep me\n[A]\nx=10\nz=3\n\n[B]\n[C]\nw=4\n"));
        QVERIFY(ini.removeSection(u"b"_s));
        QVERIFY(ini.removeSection(u"b"_s).failedWith(Failure::Kind::NotFound));
        QCOMPARE(ini.sectionNames(), (QStringList { u"A"_s, u"C"_s }));
        // Names that would break a line are refused and change nothing. (Values with line breaks or
        // NUL are refused end to end in TestAmpctl.)
        const QByteArray before = ini.toBytes();
        for (const auto &[section, key] : QList<std::pair<QString, QString>> {
                 { u"A"_s, u"k=j"_s }, { u"A"_s, u"[B]"_s }, { u"A]x"_s, u"k"_s }, { u"A"_s, u"  "_s } })
            QVERIFY2(ini.setValue(section, key, u"v"_s).failedWith(Failure::Kind::Invalid), qPrintable(section + key));
        QCOMPARE(ini.toBytes(), before);
    }

    // Whatever is not a regular file is never opened for reading: a FIFO would block the reader, a
    // device could feed it forever. Such a file fails to read, naming the file and why.
    void readsOnlyRegularFiles()
    {
        // what stands at the path, and why it fails to read (empty: it is read)
        const std::pair<QString, QString> cases[] = { { u"fifo"_s, u"is a FIFO, not a regular file"_s },
            { u"link to /dev/zero"_s, u"is a character device, not a regular file"_s },
            { u"folder"_s, u"is a folder, not a regular file"_s }, { u"large"_s, u"is larger than 8192 KiB"_s },
            { u"link to file"_s, QString() } };
        for (const auto &[kind, why] : cases) {
            TestEnvironment env;
            const QString path = env.path(u"settings.ini"_s);
            const QString file = env.writeFile(u"file.ini"_s, "[A]\nk=v\n");
            if (kind == u"fifo")
                QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            else if (kind == u"folder")
                QVERIFY(QDir().mkpath(path));
            else if (kind == u"large")
                QVERIFY(QFile(file).resize(IniFile::kSizeLimit + 1) && QFile::rename(file, path));
            else
                QVERIFY(QFile::link(kind == u"link to file" ? file : u"/dev/zero"_s, path));

            const IniFile ini = IniFile::load(path);
            QVERIFY(ini.fileExists());
            QCOMPARE(ini.readFailed(), !why.isEmpty());
            QCOMPARE(ini.readError(), why.isEmpty() ? QString() : path + u' ' + why);
            QCOMPARE(ini.value(u"A"_s, u"k"_s), why.isEmpty() ? u"v"_s : QString());
        }
    }

    // A write that stops short (a full disk, a size limit) must fail and leave the old file in place,
    // whether the bytes fit Qt's write buffer (the failure then only shows when it is flushed) or not.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("fits the write buffer") << 8 * 1024;
        QTest::newRow("larger than the write buffer") << 1024 * 1024;
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(int, size);
        TestEnvironment env;
        const QByteArray old = "[A]\nk=old\n";
        const QString path = env.writeFile(u"store/file.ini"_s, old);
        IniFile ini = IniFile::fromBytes(old);
        QVERIFY(ini.setValue(u"A"_s, u"k"_s, QString(size, u'x')));

        Result<> saved;
        {
            const FileSizeLimit limit(4096);
            if (!limit.isSet())
                QSKIP("the file size limit cannot be lowered here");
            saved = ini.save(path);
        }
        QVERIFY(!saved);
        QCOMPARE(saved.failure().message, path + u" could not be written: File too large"_s);
        QCOMPARE(TestEnvironment::readFile(path), old);
        QCOMPARE(QDir(env.path(u"store"_s)).entryList(QDir::Files), QStringList { u"file.ini"_s });
        QVERIFY(ini.save(path));
        QCOMPARE(TestEnvironment::readFile(path), ini.toBytes());
        // A saved file is the user's alone.
        struct stat info
        {
        };
        QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0 && (info.st_mode & 0777) == 0600);
        // A link is saved through: it stays a link, its file gets the content, nothing else is left.
        const QString link = env.path(u"store/link.ini"_s);
        QVERIFY(QFile::link(path, link) && IniFile::fromBytes(old).save(link, AtomicFile::Durability::ReplacedOnly));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(TestEnvironment::readFile(path), old);
        QCOMPARE(QDir(env.path(u"store"_s)).entryList(QDir::Files).size(), 2);
    }

    // The files' GUIDs: written upper case and braced, read in either case and in no looser form.
    void guidsAreWrittenUpperCaseBracedAndReadOnlyInThatForm()
    {
        const std::optional<QUuid> guid = textToGuid(u"{381b4222-f694-41f0-9685-ff5bb260df2e}"_s);
        QVERIFY(guid);
        QCOMPARE(guidToText(*guid), u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s);
        const std::optional<QUuid> nullGuid = textToGuid(u"{00000000-0000-0000-0000-000000000000}"_s);
        QVERIFY(nullGuid && nullGuid->isNull());

        const QString good = u"{381B4222-F694-41F0-9685-FF5BB260DF2E}"_s;
        for (const QString &text : QStringList { good + u' ', good.mid(1, 36), u'{' + good + u'}', good.left(37),
                 u"{381B422-2F694-41F0-9685-FF5BB260DF2E}"_s, u"{381B4222-F694-41F0-9685-FF5BB260DF2G}"_s,
                 QString(good).replace(5, 1, QChar(u'\0')), QString(good).replace(1, 1, QChar(0xFF13)), QString(),
                 QString(5000, u'{') })
            QVERIFY2(!textToGuid(text), qPrintable(text.left(40)));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "TestIniFile.moc"
