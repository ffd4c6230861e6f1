// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 370;
constexpr int kHeight = 180;
constexpr int kLongDisplay = 60000;

QRect workArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

class TestNotification : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        // Park the mouse far from the bottom-right corner, where every popup appears.
        QCursor::setPos(workArea().topLeft());
    }

    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void placesAndPaintsPopups()
    {
        // Places in a 1000 x 700 work area at (100, 50) (upward one pixel apart, then the next column:
        // the stack's own test below); a null rectangle is no place.
        const QRect area(100, 50, 1000, 700);
        const QSize size(kWidth, kHeight);
        const QRect corner(730, 570, kWidth, kHeight), above(730, 389, kWidth, kHeight), top(730, 208, kWidth, kHeight);
        const struct
        {
            QRect area;
            QList<QRect> taken;
            QRect expected;
        } cases[] = {
            { area, {}, corner },
            { area, { QRect(900, 700, 10, 10) }, QRect(730, 519, kWidth, kHeight) }, // a small popup in the way
            { area, { corner, above, top, QRect(300, 700, 100, 50) }, QRect(359, 519, kWidth, kHeight) },
            { QRect(-1920, 0, 1920, 1040), {}, QRect(-370, 860, kWidth, kHeight) },
            { QRect(0, 0, 800, 179), {}, QRect() }, // taller than the work area
            { QRect(0, 0, 370, 180), {}, QRect(0, 0, 370, 180) },
        };
        for (const auto &c : cases)
            QCOMPARE(findPopupPlace(c.area, size, c.taken).value_or(QRect()), c.expected);

        // Each accent is its own colour, and what the popup is painted with, away from the picture and texts.
        QSet<QRgb> seen;
        for (PopupAccent accent : { PopupAccent::Blue, PopupAccent::Green, PopupAccent::Yellow, PopupAccent::Orange }) {
            NotificationPopup popup(u"T"_s, u"B"_s, nullptr, accent);
            popup.setFinalRect(QRect(0, 0, kWidth, kHeight));
            popup.resize(kWidth, kHeight);
            QCOMPARE(popup.grab().toImage().pixelColor(200, 20), NotificationPopup::accentColour(accent));
            seen.insert(NotificationPopup::accentColour(accent).rgb());
        }
        QCOMPARE(seen.size(), 4);
    }

    void slidesInAndGoesAway()
    {
        NotificationStack stack;
        QSignalSpy gone(&stack, &NotificationStack::popupGone);
        QWidget hiddenOwner; // like the main frame of a start that only switches a plan
        QVERIFY(stack.show(u"Title"_s, u"Body"_s, kWidth, kHeight, &hiddenOwner, PopupAccent::Blue, 150));
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

    void stacksUpwardThenInNewColumnsUntilFull()
    {
        const QRect area = workArea();
        const int rows = (area.height() + 1) / (kHeight + 1);
        const int columns = (area.width() + 1) / (kWidth + 1);
        QVERIFY2(rows >= 2 && columns >= 2, "the test screen is too small");

        NotificationStack stack;
        const auto showOne = [&stack] {
            return stack.show(u"T"_s, u"B"_s, kWidth, kHeight, nullptr, PopupAccent::Blue, kLongDisplay);
        };
        for (int i = 0; i < rows * columns; ++i)
            QVERIFY(showOne());
        QVERIFY(!showOne());
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
        QVERIFY(showOne());
        QCOMPARE(stack.popups().constLast()->finalRect(), first.translated(0, -kHeight - 1));

        const QList<NotificationStrip *> popups = stack.popups();
        qDeleteAll(popups);
        QVERIFY(stack.popups().isEmpty());
    }

    void hoverPausesAndLeavingRestartsTheCountdown()
    {
        constexpr int display = 150;
        NotificationStack stack;
        QVERIFY(stack.show(u"Plan changed"_s, u"Balanced"_s, kWidth, kHeight, nullptr, PopupAccent::Blue, display));
        QTRY_VERIFY(stack.popups().constLast()->content());
        NotificationPopup *content = stack.popups().constLast()->content();
        QTRY_COMPARE(content->geometry(), content->placeFor(kHeight)); // slid all the way up
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

    void endsTheProgramOnlyWhenTold()
    {
        const std::pair<AfterPopup, int> cases[] = { { AfterPopup::EndProgram, 0 }, { AfterPopup::KeepRunning, 7 } };
        for (const auto &[after, exitCode] : cases) {
            NotificationStack stack;
            // A program that keeps running is ended here with 7, after the popup has gone.
            connect(&stack, &NotificationStack::popupGone, &stack, [] { QCoreApplication::exit(7); });
            QTimer guard;
            guard.setSingleShot(true);
            connect(&guard, &QTimer::timeout, &stack, [] { QCoreApplication::exit(-1); });
            guard.start(20000);
            QVERIFY(
                stack.show(u"Plan changed"_s, u"Balanced"_s, kWidth, kHeight, nullptr, PopupAccent::Blue, 50, after));
            QCOMPARE(QCoreApplication::exec(), exitCode);
            QVERIFY(guard.isActive());
            QVERIFY(stack.popups().isEmpty());
        }
    }

    // Where no window can place itself, the popup goes to the desktop whole (texts, its picture, its
    // display time) and no window is made; a popup that ends the program does so once the desktop
    // has answered.
    void desktopRouteTakesThePopupAndItsPicture()
    {
        NotificationStack stack;
        QStringList taken;
        stack.routeToDesktop([&taken](const QString &title, const QString &body, const QImage &picture, int displayMs,
                                 std::function<void()> answered) {
            taken << title << body << u"%1x%2 %3"_s.arg(picture.width()).arg(picture.height()).arg(displayMs);
            QTimer::singleShot(0, answered);
        });
        QVERIFY(stack.show(u"Plan changed"_s, u"Balanced"_s, kWidth, kHeight, nullptr, PopupAccent::Blue, 7000,
            AfterPopup::EndProgram));
        QCOMPARE(taken, QStringList({ u"Plan changed"_s, u"Balanced"_s, u"256x108 7000"_s }));
        QVERIFY(stack.popups().isEmpty());
        QTimer guard;
        connect(&guard, &QTimer::timeout, &stack, [] { QCoreApplication::exit(-1); });
        guard.start(20000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }

private:
    TestEnvironment m_env;
};

QTEST_MAIN(TestNotification)
#include "TestNotification.moc"
