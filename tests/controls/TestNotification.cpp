#include "NotificationPopup.h"
#include "NotificationStack.h"
#include "NotificationStrip.h"
#include "PictureButton.h"
#include "PopupPlacement.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kWidth = 370;
constexpr int kHeight = 180;
constexpr int kLongDisplay = 60000;

QRect workArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The corner place and the ones above it and beside it, one pixel apart, for a 1000 x 700 work area
// at (100, 50).
const QRect kArea(100, 50, 1000, 700);
const QRect kCorner(730, 570, kWidth, kHeight);
const QRect kAbove(730, 389, kWidth, kHeight);
const QRect kTop(730, 208, kWidth, kHeight);
const QRect kNextColumn(359, 570, kWidth, kHeight);

} // namespace

class TestNotification : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void placement_data();
    void placement();
    void accentColours_data();
    void accentColours();

    void slidesInAndGoesAway();
    void stacksUpwardThenInNewColumnsUntilFull();
    void hoverPausesAndLeavingRestartsTheCountdown();
    void endsTheProgramOnlyWhenTold_data();
    void endsTheProgramOnlyWhenTold();

private:
    // Shows one popup and waits until it has slid all the way up.
    NotificationStrip *showAndWait(NotificationStack &stack, int displayMs);

    TestEnvironment m_env;
};

void TestNotification::init()
{
    // Park the mouse far from the bottom-right corner, where every popup appears.
    QCursor::setPos(workArea().topLeft());
}

void TestNotification::cleanup()
{
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestNotification::placement_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRect>>("taken");
    QTest::addColumn<QRect>("expected"); // a null rectangle: no place

    const QSize size(kWidth, kHeight);
    QTest::newRow("empty: bottom-right corner") << kArea << size << QList<QRect> {} << kCorner;
    QTest::newRow("corner taken: just above") << kArea << size << QList<QRect> { kCorner } << kAbove;
    QTest::newRow("two taken: third row") << kArea << size << QList<QRect> { kCorner, kAbove } << kTop;
    QTest::newRow("column full: next column at the bottom")
        << kArea << size << QList<QRect> { kCorner, kAbove, kTop } << kNextColumn;
    QTest::newRow("small popup in the way of the middle")
        << kArea << size << QList<QRect> { QRect(900, 700, 10, 10) } << QRect(730, 519, kWidth, kHeight);
    QTest::newRow("wider popup reaching into the next column")
        << kArea << size << QList<QRect> { kCorner, kAbove, kTop, QRect(300, 700, 100, 50) }
        << QRect(359, 519, kWidth, kHeight);
    QTest::newRow("work area not at the origin")
        << QRect(-1920, 0, 1920, 1040) << size << QList<QRect> {} << QRect(-370, 860, kWidth, kHeight);
    QTest::newRow("taller than the work area") << QRect(0, 0, 800, 179) << size << QList<QRect> {} << QRect();
    QTest::newRow("exactly the work area") << QRect(0, 0, 370, 180) << size << QList<QRect> {} << QRect(0, 0, 370, 180);
}

void TestNotification::placement()
{
    QFETCH(QRect, area);
    QFETCH(QSize, size);
    QFETCH(QList<QRect>, taken);
    QFETCH(QRect, expected);
    const std::optional<QRect> place = findPopupPlace(area, size, taken);
    QCOMPARE(place.value_or(QRect()), expected);
}

void TestNotification::accentColours_data()
{
    QTest::addColumn<PopupAccent>("accent");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("blue") << PopupAccent::Blue << QColor(0, 175, 240);
    QTest::newRow("green") << PopupAccent::Green << QColor(35, 199, 8);
    QTest::newRow("yellow") << PopupAccent::Yellow << QColor(253, 191, 23);
    QTest::newRow("orange") << PopupAccent::Orange << QColor(255, 119, 52);
}

void TestNotification::accentColours()
{
    QFETCH(PopupAccent, accent);
    QFETCH(QColor, colour);
    QCOMPARE(NotificationPopup::accentColour(accent), colour);
    // And it is what the popup is painted with, away from the picture and the texts.
    NotificationPopup popup(QStringLiteral("T"), QStringLiteral("B"), nullptr, accent);
    popup.setFinalRect(QRect(0, 0, kWidth, kHeight));
    popup.resize(kWidth, kHeight);
    QCOMPARE(popup.grab().toImage().pixelColor(200, 20), colour);
}

NotificationStrip *TestNotification::showAndWait(NotificationStack &stack, int displayMs)
{
    if (!stack.show(QStringLiteral("Power plan changed"), QStringLiteral("The active plan is now Balanced."), kWidth,
            kHeight, nullptr, PopupAccent::Blue, displayMs))
        return nullptr;
    NotificationStrip *border = stack.popups().constLast();
    if (!QTest::qWaitFor([&] { return border->content() && border->content()->isVisible(); }))
        return nullptr;
    NotificationPopup *content = border->content();
    if (!QTest::qWaitFor([&] { return content->geometry() == content->placeFor(kHeight); }))
        return nullptr;
    return border;
}

void TestNotification::slidesInAndGoesAway()
{
    NotificationStack stack;
    QSignalSpy gone(&stack, &NotificationStack::popupGone);
    QWidget hiddenOwner; // like the main frame of a start that only switches a plan
    QVERIFY(stack.show(
        QStringLiteral("Title"), QStringLiteral("Body"), kWidth, kHeight, &hiddenOwner, PopupAccent::Blue, 150));
    QCOMPARE(stack.popups().size(), 1);
    QPointer<NotificationStrip> border = stack.popups().constFirst();
    QRect corner(QPoint(0, 0), QSize(kWidth, kHeight));
    corner.moveBottomRight(workArea().bottomRight());
    QCOMPARE(border->finalRect(), corner);

    // The strip comes first, then the content, which starts low and grows upward.
    QTRY_VERIFY(border->content());
    QPointer<NotificationPopup> content = border->content();
    QSignalSpy finished(content.data(), &NotificationPopup::finished);
    QVERIFY(border->isVisible());
    QVERIFY(border->geometry().height() <= 3);
    QTRY_VERIFY(content->isVisible());
    QVERIFY(content->height() < kHeight);
    QTRY_COMPARE(content->geometry(), QRect(corner.left() - 10, corner.top() - 4, kWidth, kHeight + 1));
    QVERIFY(content->isCountingDown());

    // After the display time it slides down; the frame shrinks and both windows go.
    QVERIFY(finished.wait());
    QCOMPARE(content->height(), 1);
    QVERIFY(gone.wait());
    QVERIFY(stack.popups().isEmpty());
    QTRY_VERIFY(border.isNull());
    QVERIFY(content.isNull());
}

void TestNotification::stacksUpwardThenInNewColumnsUntilFull()
{
    const QRect area = workArea();
    const int rows = (area.height() + 1) / (kHeight + 1);
    const int columns = (area.width() + 1) / (kWidth + 1);
    QVERIFY2(rows >= 2 && columns >= 2, "the test screen is too small");

    NotificationStack stack;
    for (int i = 0; i < rows * columns; ++i)
        QVERIFY(stack.show(
            QStringLiteral("T"), QStringLiteral("B"), kWidth, kHeight, nullptr, PopupAccent::Blue, kLongDisplay));
    QVERIFY(!stack.show(
        QStringLiteral("T"), QStringLiteral("B"), kWidth, kHeight, nullptr, PopupAccent::Blue, kLongDisplay));
    QCOMPARE(stack.popups().size(), rows * columns);

    const QRect first = stack.popups().at(0)->finalRect();
    QCOMPARE(stack.popups().at(1)->finalRect(), first.translated(0, -kHeight - 1));
    QCOMPARE(stack.popups().at(rows)->finalRect(), first.translated(-kWidth - 1, 0));
    // The content windows, one pixel taller than their places, meet edge to edge.
    QTRY_VERIFY(stack.popups().at(1)->content());
    QCOMPARE(stack.popups().at(1)->content()->placeFor(kHeight).bottom() + 1,
        stack.popups().at(0)->content()->placeFor(kHeight).top());

    // Closing one frees its place for the next popup of the same stack.
    NotificationStrip *second = stack.popups().at(1);
    QTRY_VERIFY(second->content() && second->content()->isCountingDown());
    QSignalSpy gone(&stack, &NotificationStack::popupGone);
    QTest::mouseClick(second->content()->closeButton(), Qt::LeftButton);
    QVERIFY(gone.wait());
    QVERIFY(stack.show(
        QStringLiteral("T"), QStringLiteral("B"), kWidth, kHeight, nullptr, PopupAccent::Blue, kLongDisplay));
    QCOMPARE(stack.popups().constLast()->finalRect(), first.translated(0, -kHeight - 1));

    const QList<NotificationStrip *> popups = stack.popups();
    qDeleteAll(popups);
    QVERIFY(stack.popups().isEmpty());
}

void TestNotification::hoverPausesAndLeavingRestartsTheCountdown()
{
    constexpr int display = 150;
    NotificationStack stack;
    NotificationStrip *border = showAndWait(stack, display);
    QVERIFY(border);
    NotificationPopup *content = border->content();
    QSignalSpy finished(content, &NotificationPopup::finished);
    QVERIFY(content->isCountingDown());

    QCursor::setPos(content->geometry().center());
    QTRY_VERIFY(content->underMouse());
    QVERIFY(!content->isCountingDown());
    // Well past the display time, it is still up.
    QVERIFY(!finished.wait(4 * display));
    QCOMPARE(content->geometry(), content->placeFor(kHeight));

    // Over the close button the mouse is still over the popup.
    QCursor::setPos(content->closeButton()->mapToGlobal(QPoint(4, 4)));
    QTRY_VERIFY(content->closeButton()->underMouse());
    QVERIFY(!content->isCountingDown());

    QElapsedTimer sinceLeaving;
    QCursor::setPos(workArea().topLeft());
    sinceLeaving.start();
    QTRY_VERIFY(content->isCountingDown());
    QVERIFY(finished.wait());
    QVERIFY(sinceLeaving.elapsed() >= display);
}

void TestNotification::endsTheProgramOnlyWhenTold_data()
{
    QTest::addColumn<AfterPopup>("after");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("ends the program with 0") << AfterPopup::EndProgram << 0;
    QTest::newRow("keeps it running") << AfterPopup::KeepRunning << 7;
}

void TestNotification::endsTheProgramOnlyWhenTold()
{
    QFETCH(AfterPopup, after);
    QFETCH(int, exitCode);
    NotificationStack stack;
    // A program that keeps running is ended here with 7, after the popup has gone.
    connect(&stack, &NotificationStack::popupGone, &stack, [] { QCoreApplication::exit(7); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, &stack, [] { QCoreApplication::exit(-1); });
    guard.start(20000);

    QVERIFY(stack.show(QStringLiteral("Plan changed"), QStringLiteral("Balanced"), kWidth, kHeight, nullptr,
        PopupAccent::Blue, 50, after));
    QCOMPARE(QCoreApplication::exec(), exitCode);
    QVERIFY(guard.isActive());
    QVERIFY(stack.popups().isEmpty());
}

QTEST_MAIN(TestNotification)
#include "TestNotification.moc"
