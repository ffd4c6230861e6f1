// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped language files, and which of them a user gets.
#include "IniFile.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QRegularExpression>
#include <QTest>

using Program::chooseLanguageFile;

using namespace Qt::StringLiterals;

class TestLanguageFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void germanHasEveryEnglishTextWithItsPlaceholders();
    void settingsPickTheLanguageElseTheDesktopLocale();
};

void TestLanguageFiles::germanHasEveryEnglishTextWithItsPlaceholders()
{
    const IniFile english = IniFile::load(TestEnvironment::sourceFile(u"../resources/ampctleng.ini"_s));
    const IniFile german = IniFile::load(TestEnvironment::sourceFile(u"../resources/ampctleng_de.ini"_s));
    QVERIFY(!english.readFailed() && !german.readFailed() && !german.hasEncodingError());
    const QStringList keys = english.keys(u"Ampora"_s);
    QVERIFY(keys.size() > 100);
    // A text filled in by the program must take what the English one takes, or the value is lost.
    static const QRegularExpression placeholder(u"%[sd]|#"_s);
    const auto placeholders = [](const QString &text) {
        QStringList found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();)
            found.append(it.next().captured());
        return found;
    };
    for (const QString &key : keys) {
        const QString text = german.value(u"Ampora"_s, key);
        QVERIFY2(!text.isEmpty(), qPrintable(key));
        QVERIFY2(placeholders(text) == placeholders(english.value(u"Ampora"_s, key)), qPrintable(key));
    }
    QCOMPARE(german.keys(u"Ampora"_s).size(), keys.size());
}

void TestLanguageFiles::settingsPickTheLanguageElseTheDesktopLocale()
{
    TestEnvironment env;
    const QString folder = env.path(u"program"_s);
    const QString english = env.writeFile(u"program/ampctleng.ini"_s, "[Ampora]\n");
    const QString german = env.writeFile(u"program/ampctleng_de.ini"_s, "[Ampora]\n");
    const QString settings = env.path(u"program/ampctlset.ini"_s);
    const auto choose = [&](const QByteArray &settingsText, const char *locale) {
        env.writeFile(u"program/ampctlset.ini"_s, "[Ampora]\n" + settingsText);
        return chooseLanguageFile(folder, settings, QLocale(QString::fromLatin1(locale)));
    };

    // No language named: the desktop's, by its full name or its language, else English.
    QCOMPARE(choose({}, "de_AT"), german);
    QCOMPARE(choose({}, "fr_FR"), english);
    // A language named: its abbreviation, whatever the desktop speaks; one without a file, or one
    // that would reach another folder, gives English.
    QCOMPARE(choose("IDS_LANGUAGE=Deutsch\nIDS_LANGUAGE_ABR=DE\n", "en_US"), german);
    QCOMPARE(choose("IDS_LANGUAGE=English\nIDS_LANGUAGE_ABR=EN\n", "de_DE"), english);
    QCOMPARE(choose("IDS_LANGUAGE=x\nIDS_LANGUAGE_ABR=de/../de\n", "de_DE"), english);
    // Only a name selects: an abbreviation alone is not a choice.
    QCOMPARE(choose("IDS_LANGUAGE_ABR=EN\n", "de_DE"), german);
}

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "TestLanguageFiles.moc"
