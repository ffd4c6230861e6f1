// SPDX-License-Identifier: GPL-3.0-or-later
#include "Page.h"
#include "PleaseWaitDialog.h"
#include "TestEnvironment.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPleaseWait : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void centredMarqueeInEnglish();

private:
    TestEnvironment m_environment;
};

// Centred on its owner's window each time it shows, always in English, and a marquee that keeps
// moving on its own: the drawn bar changes without anything being done to it.
void TestPleaseWait::centredMarqueeInEnglish()
{
    m_environment.writeFile(u"program/ampctleng.ini"_s,
        "[Ampora]\nIDS_PLEASE_WAIT=Bitte warten...\nIDS_WAIT=Bitte warten...\nPlease wait...=Bitte warten...\n");
    QWidget frame;
    frame.setGeometry(QRect(QPoint(120, 80), Page::kFrameSize));
    QWidget page(&frame);
    page.setGeometry(QRect(QPoint(0, 0), Page::kFrameSize));
    // Owned through a page, centred on the page's window.
    PleaseWaitDialog wait(&page);
    QVERIFY(wait.isWindow() && wait.isHidden());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    for (const QPoint &framePosition : { QPoint(120, 80), QPoint(300, 40) }) {
        frame.move(framePosition);
        wait.hide();
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        const QPoint offCentre = frame.mapToGlobal(frame.rect().center()) - wait.mapToGlobal(wait.rect().center());
        QVERIFY2(offCentre.manhattanLength() <= 1, qPrintable(u"%1,%2"_s.arg(offCentre.x()).arg(offCentre.y())));
    }
    // Its contents are made when it first shows.
    QCOMPARE(wait.findChild<QLabel *>()->text(), u"Please wait..."_s);
    auto *bar = wait.findChild<QProgressBar *>();
    QVERIFY(wait.rect().contains(wait.findChild<QLabel *>()->geometry()) && wait.rect().contains(bar->geometry()));
    const QImage first = bar->grab().toImage();
    QTRY_VERIFY(bar->grab().toImage() != first);
}

QTEST_MAIN(TestPleaseWait)
#include "TestPleaseWait.moc"
