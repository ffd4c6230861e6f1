#include "PictureButton.h"
#include "UiFonts.h"

#include <QCursor>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

// The picture button: its text layout table, fonts, and how it reacts to a real pointer.
class TestPictureButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void textLayout_data();
    void textLayout();
    void secondTextFollowsTheCaption();
    void hoverShowsTheHoverPictureOnOneButtonAtATime();
    void pressedPictureWhileDownAndClick();
    void enableButtonKeepsTheDisabledLook();

private:
    // A dialog button face.
    PictureButton *addButton(int id, QPoint pos);
    void showParent();
    void moveTo(QWidget *widget, QPoint pos = {});

    std::unique_ptr<QWidget> m_parent;
};

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kPaleBlue = 0xFF4D91B7;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;
} // namespace

void TestPictureButton::init()
{
    // Start every case with the pointer away from the window.
    QCursor::setPos(700, 500);
    m_parent = std::make_unique<QWidget>();
    m_parent->setGeometry(0, 0, 600, 300);
    m_parent->setAutoFillBackground(true);
    QPalette palette = m_parent->palette();
    palette.setColor(QPalette::Window, QColor(255, 0, 0));
    m_parent->setPalette(palette);
}

void TestPictureButton::cleanup()
{
    m_parent.reset();
}

PictureButton *TestPictureButton::addButton(int id, QPoint pos)
{
    auto *button = new PictureButton(id, m_parent.get());
    button->setPictures(PictureId::DialogButton, PictureId::DialogButtonHover, PictureId::DialogButtonPressed,
        PictureId::DialogButtonDisabled);
    button->setNotifyParent(true);
    PictureButton::connectHoverReset(button);
    button->setGeometry(QRect(pos, pictureSize(PictureId::DialogButton)));
    return button;
}

void TestPictureButton::showParent()
{
    m_parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
}

void TestPictureButton::moveTo(QWidget *widget, QPoint pos)
{
    QTest::mouseMove(widget, pos.isNull() ? widget->rect().center() : pos);
}

void TestPictureButton::textLayout_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<uint>("colour");

    // Each size class and caption length on both sides of its threshold.
    const QSize small(16, 16);
    QTest::newRow("16 white beside") << small << 4 << false << false << 8 << QRect(20, 2, 120, 16) << int(kLeft)
                                     << kWhite;
    QTest::newRow("16 white beside, disabled")
        << small << 4 << false << true << 8 << QRect(20, 2, 120, 16) << int(kLeft) << kPaleBlue;
    QTest::newRow("16 dark beside") << small << 4 << true << false << 9 << QRect(25, 0, 200, 16) << int(kLeft)
                                    << kBlack;
    QTest::newRow("49 wide is still small")
        << QSize(49, 20) << 4 << false << false << 8 << QRect(20, 2, 120, 16) << int(kLeft) << kWhite;

    QTest::newRow("50 wide is a face, 9 letters")
        << QSize(50, 20) << 9 << false << false << 11 << QRect(0, 5, 45, 16) << int(kCentred) << kWhite;
    QTest::newRow("119 wide is a face, 10 letters")
        << QSize(119, 30) << 10 << false << false << 11 << QRect(0, 5, 119, 16) << int(kCentred) << kWhite;
    QTest::newRow("face disabled stays white")
        << QSize(104, 26) << 6 << true << true << 11 << QRect(0, 5, 99, 16) << int(kCentred) << kWhite;
    QTest::newRow("wide dialog button is a face") << pictureSize(PictureId::WideDialogButton) << 10 << false << false
                                                  << 11 << QRect(0, 5, 164, 16) << int(kCentred) << kWhite;

    QTest::newRow("120 wide is a tile, 8 letters")
        << QSize(120, 26) << 8 << false << false << 20 << QRect(110, 7, 200, 60) << int(kLeft) << kWhite;
    QTest::newRow("164 wide, not the button, is a tile, 9 letters")
        << QSize(164, 100) << 9 << false << false << 11 << QRect(10, 52, 300, 60) << int(kLeft) << kWhite;
}

void TestPictureButton::textLayout()
{
    QFETCH(QSize, picture);
    QFETCH(int, length);
    QFETCH(bool, beside);
    QFETCH(bool, disabled);
    const PictureButton::TextLayout layout = PictureButton::textLayout(picture, length, beside, disabled, false);
    QTEST(layout.pointSize, "pointSize");
    QTEST(layout.captionRect, "rect");
    QTEST(int(layout.captionAlignment), "alignment");
    QTEST(uint(layout.captionColour), "colour");
    QVERIFY(layout.secondRect.isEmpty());
}

void TestPictureButton::secondTextFollowsTheCaption()
{
    for (bool beside : { false, true }) {
        const auto layout = PictureButton::textLayout({ 16, 16 }, 7, beside, false, true);
        QCOMPARE(layout.pointSize, 8);
        QCOMPARE(layout.captionRect, QRect(20, 0, 120, 16));
        QCOMPARE(layout.secondRect, QRect(55, 0, 500, 16));
        const QRgb colour = beside ? kGrey : kWhite;
        QCOMPARE(layout.captionColour, colour);
        QCOMPARE(layout.secondColour, colour);
    }
    // The second text belongs to small pictures only.
    QVERIFY(PictureButton::textLayout({ 104, 26 }, 7, false, false, true).secondRect.isEmpty());
}

void TestPictureButton::hoverShowsTheHoverPictureOnOneButtonAtATime()
{
    PictureButton *first = addButton(7, { 10, 100 });
    PictureButton *second = addButton(8, { 120, 100 });
    QSignalSpy entered(first, &PictureButton::hoverEntered);
    QSignalSpy left(first, &PictureButton::hoverLeft);
    showParent();
    const QColor normal = first->grab().toImage().pixelColor(3, 3);

    moveTo(first);
    QTRY_VERIFY(first->looksHovered());
    QCOMPARE(first->currentPicture(), PictureId::DialogButtonHover);
    QCOMPARE(entered.size(), 1);
    QCOMPARE(entered.at(0).at(0).toInt(), 7);
    QVERIFY(first->grab().toImage().pixelColor(3, 3) != normal);

    moveTo(second);
    QTRY_VERIFY(second->looksHovered());
    QVERIFY(!first->looksHovered());
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.at(0).at(0).toInt(), 7);
    moveTo(first);
    QTRY_VERIFY(first->looksHovered());
    QVERIFY(!second->looksHovered());

    moveTo(m_parent.get(), { 20, 250 });
    QTRY_VERIFY(!first->looksHovered());
    QCOMPARE(first->currentPicture(), PictureId::DialogButton);
    QCOMPARE(first->grab().toImage().pixelColor(3, 3), normal);
}

void TestPictureButton::pressedPictureWhileDownAndClick()
{
    PictureButton *button = addButton(1, { 10, 100 });
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    showParent();
    moveTo(button);
    QTest::mousePress(button, Qt::LeftButton);
    QCOMPARE(button->currentPicture(), PictureId::DialogButtonPressed);
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(button->currentPicture(), PictureId::DialogButtonHover);
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(clicked.size(), 2);
}

void TestPictureButton::enableButtonKeepsTheDisabledLook()
{
    PictureButton *button = addButton(1, { 10, 100 });
    button->setCaptionBeside(true);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    showParent();
    button->enableButton(false);
    QVERIFY(button->isButtonDisabled());
    QCOMPARE(button->currentPicture(), PictureId::DialogButtonDisabled);

    moveTo(button);
    QTRY_VERIFY(button->underMouse());
    QCOMPARE(button->currentPicture(), PictureId::DialogButtonDisabled);
    QVERIFY(!button->looksHovered());

    button->enableButton(true);
    QVERIFY(!button->isButtonDisabled());
    QCOMPARE(button->currentPicture(), PictureId::DialogButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicked.size(), 1);
}

QTEST_MAIN(TestPictureButton)
#include "TestPictureButton.moc"
