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
    void borderlessAndModeless();
    void marqueeRuns();
    void englishWhateverTheLanguageFile();

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
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    for (const QPoint &framePosition : { QPoint(120, 80), QPoint(300, 40) }) {
        frame.move(framePosition);
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        const QPoint frameCentre = frame.mapToGlobal(frame.rect().center());
        const QPoint waitCentre = wait.mapToGlobal(wait.rect().center());
        QVERIFY2((frameCentre - waitCentre).manhattanLength() <= 1,
            qPrintable(u"%1,%2 against %3,%4"_qs.arg(waitCentre.x())
                           .arg(waitCentre.y())
                           .arg(frameCentre.x())
                           .arg(frameCentre.y())));
        wait.hide();
    }
}

void TestPleaseWait::borderlessAndModeless()
{
    QWidget frame;
    PleaseWaitDialog wait(&frame);
    QVERIFY(wait.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(wait.isWindow());
    QVERIFY(!wait.isModal());
    QVERIFY(wait.isHidden());
    // Its bar fits inside it.
    QVERIFY(wait.rect().contains(wait.bar()->geometry()));
}

void TestPleaseWait::marqueeRuns()
{
    PleaseWaitDialog wait;
    wait.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wait));
    QProgressBar *bar = wait.bar();
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 0);
    QVERIFY(bar->isVisible());
    // A marquee keeps moving on its own: the drawn bar changes without anything being done to it.
    const QImage first = bar->grab().toImage();
    QTRY_VERIFY(bar->grab().toImage() != first);
}

void TestPleaseWait::englishWhateverTheLanguageFile()
{
    m_environment.writeFile(QStringLiteral("program/ampctleng.ini"),
        "[Ampora]\nIDS_PLEASE_WAIT=Bitte warten...\nIDS_WAIT=Bitte warten...\n"
        "Please wait...=Bitte warten...\n");
    PleaseWaitDialog wait;
    QCOMPARE(wait.label()->text(), QStringLiteral("Please wait..."));
    const QList<QLabel *> labels = wait.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 1);
    QVERIFY(wait.rect().contains(wait.label()->geometry()));
}

QTEST_MAIN(TestPleaseWait)
#include "TestPleaseWait.moc"
