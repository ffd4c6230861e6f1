#include "Page.h"
#include "PleaseWaitDialog.h"
#include "TestEnvironment.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>

class TestPleaseWait : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void centredOnItsOwnerEachTimeItShows();
    void borderlessModelessMarqueeInEnglish();

private:
    TestEnvironment m_environment;
};

void TestPleaseWait::centredOnItsOwnerEachTimeItShows()
{
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
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        const QPoint offCentre = frame.mapToGlobal(frame.rect().center()) - wait.mapToGlobal(wait.rect().center());
        QVERIFY2(offCentre.manhattanLength() <= 1, qPrintable(u"%1,%2"_qs.arg(offCentre.x()).arg(offCentre.y())));
        wait.hide();
    }
}

void TestPleaseWait::borderlessModelessMarqueeInEnglish()
{
    m_environment.writeFile(QStringLiteral("program/ampctleng.ini"),
        "[Ampora]\nIDS_PLEASE_WAIT=Bitte warten...\nIDS_WAIT=Bitte warten...\nPlease wait...=Bitte warten...\n");
    PleaseWaitDialog wait;
    QVERIFY(wait.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!wait.isModal());
    // Its contents are made when it first shows.
    wait.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wait));
    const QList<QLabel *> labels = wait.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->text(), QStringLiteral("Please wait..."));
    auto *bar = wait.findChild<QProgressBar *>();
    QVERIFY(wait.rect().contains(labels.first()->geometry()) && wait.rect().contains(bar->geometry()));

    // A marquee keeps moving on its own: the drawn bar changes without anything being done to it.
    QCOMPARE(bar->maximum(), 0);
    const QImage first = bar->grab().toImage();
    QTRY_VERIFY(bar->grab().toImage() != first);
}

QTEST_MAIN(TestPleaseWait)
#include "TestPleaseWait.moc"
