// SPDX-License-Identifier: GPL-3.0-or-later
// The help, web and updater commands: which file or address each opens, the messages for what the
// desktop reports, and the freedesktop opener run against a stand-in xdg-open on the path.
#include "CommandActions.h"
#include "FakeShellOpener.h"
#include "MessageBox.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "ShellCommands.h"
#include "TestEnvironment.h"
#include "WebAddresses.h"
#include "XdgShellOpener.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

class TestShellCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->writeFile(u"program/ampctleng.ini"_s, "[Ampora]\nIDS_RUNNING3=Ampora help\n");
        sharedStrings().executableFile = sharedStrings().programFolder + u"/ampora"_s;
        MessageBox::takeShownTexts();
    }

    void eachCommandOpensItsFileOrAddressAndFailuresAreTold()
    {
        FakeShellOpener opener;
        QWidget frame;
        ShellCommands commands(opener, &frame, m_commands);
        // The help file follows the language: none; German; an abbreviation that names a path.
        const struct
        {
            QString language, abbreviation, file;
        } cases[] = { { {}, u"DE"_s, u"vt-ampora.html"_s }, { u"Deutsch"_s, u"DE"_s, u"vt-ampora_de.html"_s },
            { u"x"_s, u"../../etc/x"_s, u"vt-ampora.html"_s } };
        for (const auto &c : cases) {
            if (!c.language.isEmpty())
                QVERIFY(writeSetting(SettingKey::Language, c.language));
            QVERIFY(writeSetting(SettingKey::LanguageAbbreviation, c.abbreviation));
            m_commands.action(CmdOpenHelpFile)->trigger();
            QCOMPARE(opener.calls.takeLast(), u"file "_s + sharedStrings().programFolder + u'/' + c.file);
        }

        // A web command opens its address; with no handler for web addresses, the browser of last
        // resort takes it, and no message.
        const WebAddress &faq = kWebAddresses.front();
        m_commands.action(faq.command)->trigger();
        QCOMPARE(opener.calls.takeLast(), u"address "_s + faq.address.toString());
        Q_EMIT opener.failed(QUrl(faq.address.toString()).toString(QUrl::FullyEncoded), OpenError::NoAssociation);
        QCOMPARE(opener.calls.takeLast(), u"browser "_s + faq.fallback.toString());
        QVERIFY(MessageBox::takeShownTexts().isEmpty());

        // The updater beside the program; a refusal is a message captioned from the language file.
        m_commands.action(CmdRunUpdater)->trigger();
        const QString updater = sharedStrings().programFolder + u"/vtupdate"_s;
        QCOMPARE(opener.calls.takeLast(), u"program "_s + updater);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        Q_EMIT opener.failed(updater, OpenError::NoAssociation);
        QCOMPARE(MessageBox::takeShownTexts().size(), 1);

        // Without the maker's link library nothing happens at all.
        m_commands.action(CmdRunLinkLibrary)->trigger();
        QVERIFY(opener.calls.isEmpty());
        QVERIFY(MessageBox::takeShownTexts().isEmpty());
    }

    void realOpenerReportsWhatXdgOpenAndTheFilesSay()
    {
        // A missing help file, and a program that is there but may not run, are refused before
        // anything starts.
        {
            XdgShellOpener opener;
            QWidget frame;
            ShellCommands commands(opener, &frame, m_commands);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            m_commands.action(CmdOpenHelpFile)->trigger();
            QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"The specified file was not found."_s });
            QCOMPARE(MessageBox::lastCaption(), u"Ampora help"_s);
            QVERIFY(QFile(m_env->writeFile(u"program/vtupdate"_s, "#!/bin/sh\n")).setPermissions(QFile::ReadOwner));
            m_commands.action(CmdRunUpdater)->trigger();
            QCOMPARE(MessageBox::takeShownTexts(),
                QStringList { u"The operating system denied access to the specified file."_s });
        }

        // A stand-in xdg-open that notes its argument and answers with the status under test; -1: no
        // xdg-open on the path. The error -1 is none.
        const std::pair<int, int> cases[] = { { 0, -1 }, { 2, int(OpenError::FileNotFound) },
            { 4, int(OpenError::NoAssociation) }, { -1, int(OpenError::NoAssociation) } };
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_env->path(u"bin"_s).toUtf8());
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        const QString record = m_env->path(u"opened.txt"_s);
        const QString manual = m_env->writeFile(u"program/vt-ampora.html"_s, "<html></html>");
        for (const auto &[status, error] : cases) {
            QFile::remove(record);
            QFile::remove(m_env->path(u"bin/xdg-open"_s));
            if (status >= 0) {
                const QString script = m_env->writeFile(u"bin/xdg-open"_s,
                    u"#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n"_s.arg(record).arg(status).toUtf8());
                QVERIFY(QFile(script).setPermissions(QFile::ReadOwner | QFile::ExeOwner));
            }
            XdgShellOpener opener;
            QSignalSpy failures(&opener, &ShellOpener::failed);
            opener.openFile(manual);
            if (error < 0) {
                QTRY_VERIFY(QFile::exists(record));
                QCOMPARE(TestEnvironment::readFile(record), manual.toUtf8());
                QVERIFY(failures.isEmpty());
                continue;
            }
            QTRY_COMPARE(failures.size(), 1);
            QCOMPARE(failures.first().at(0).toString(), manual);
            QCOMPARE(failures.first().at(1).value<OpenError>(), OpenError(error));
        }
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    CommandActions m_commands;
};

QTEST_MAIN(TestShellCommands)
#include "TestShellCommands.moc"
