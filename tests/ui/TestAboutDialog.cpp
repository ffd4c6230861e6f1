// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: its texts with and without a language file, and the ways it ends.
#include "AboutDialog.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

class TestAboutDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsVersionAndNotice_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("ok");
        QTest::newRow("language file") << QByteArray(
            "[Ampora]\nIDS_CAPTION=Ampora\nIDS_ABOUT=About\nIDS_VERSION=Version\n"
            "IDS_COPYRIGHT=Copyright (C) 2026 The Ampora developers\nIDS_OK=OK\n")
                                       << u"About Ampora"_s << u"Ampora Version 1.0"_s
                                       << u"Copyright (C) 2026 The Ampora developers"_s << u"OK"_s;
        // Empty texts keep their blanks: the title is a blank before the (empty) program title.
        QTest::newRow("empty language file") << QByteArray() << u" "_s << u"Ampora  1.0"_s << QString() << QString();
    }

    void showsVersionAndNotice()
    {
        QFETCH(QByteArray, language);
        TestEnvironment env;
        env.writeFile(u"program/ampctleng.ini"_s, language);
        sharedStrings().messageCaption = u"Ampora"_s;
        sharedStrings().appTitle = loadText(u"IDS_CAPTION");

        AboutDialog about;
        QTEST(about.windowTitle(), "title");
        QTEST(about.versionLine()->text(), "version");
        QTEST(about.noticeLine()->text(), "notice");
        QTEST(about.okButton()->text(), "ok");
        // Every text fits its place.
        for (const QWidget *part :
            { static_cast<QWidget *>(about.versionLine()), static_cast<QWidget *>(about.noticeLine()) })
            QVERIFY(part->sizeHint().width() <= part->width());
    }

    void okAndEscapeEndIt()
    {
        TestEnvironment env;
        AboutDialog about;

        QTimer::singleShot(0, &about, [&about] { QTest::mouseClick(about.okButton(), Qt::LeftButton); });
        QCOMPARE(about.exec(), int(QDialog::Accepted));

        QTimer::singleShot(0, &about, [&about] { QTest::keyClick(&about, Qt::Key_Escape); });
        QCOMPARE(about.exec(), int(QDialog::Rejected));

        // The keyboard alone: a fresh box has OK in focus, and Enter takes it.
        AboutDialog fresh;
        bool focused = false;
        QTimer::singleShot(0, &fresh, [&fresh, &focused] {
            focused = QTest::qWaitFor([&fresh] { return fresh.okButton()->hasFocus(); });
            QTest::keyClick(&fresh, Qt::Key_Return);
        });
        QCOMPARE(fresh.exec(), int(QDialog::Accepted));
        QVERIFY(focused);
    }
};

QTEST_MAIN(TestAboutDialog)
#include "TestAboutDialog.moc"
