// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureButton.h"
#include "Pictures.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

// The picture button: its text layout table, fonts, and how it reacts to a real pointer.
class TestPictureButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
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

    void cleanup() { m_parent.reset(); }

    // The caption's place and colour follow the picture's size class; the second text goes on small
    // pictures only.
    void textLayoutFollowsThePictureSize()
    {
        const auto small = PictureButton::textLayout({ 16, 16 }, 7, true, false, true);
        QCOMPARE(small.captionAlignment, Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(small.secondRect.left() > small.captionRect.left());
        const auto face = PictureButton::textLayout(pictureSize(PictureId::WideDialogButton), 7, false, false, true);
        QCOMPARE(face.captionAlignment, Qt::AlignHCenter | Qt::AlignVCenter);
        QVERIFY(face.secondRect.isEmpty());
        // The wide dialog button is a face, however wide: its caption is not a tile's large one.
        QCOMPARE(
            PictureButton::textLayout(pictureSize(PictureId::WideDialogButton), 10, false, false, false).pointSize, 11);
        // Dark beside a small picture on a white page; a disabled face stays white.
        QCOMPARE(PictureButton::textLayout({ 16, 16 }, 4, true, false, false).captionColour, QRgb(0xFF000000));
        QCOMPARE(PictureButton::textLayout({ 104, 26 }, 6, false, true, false).captionColour, QRgb(0xFFFFFFFF));
    }

    void hoverPressedAndDisabledLooks()
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
        QCOMPARE(QList<QVariantList>(entered), QList<QVariantList> { { 7 } });
        QVERIFY(first->grab().toImage().pixelColor(3, 3) != normal);

        moveTo(second);
        QTRY_VERIFY(second->looksHovered());
        QVERIFY(!first->looksHovered());
        QCOMPARE(QList<QVariantList>(left), QList<QVariantList> { { 7 } });
        moveTo(first);
        QTRY_VERIFY(first->looksHovered());
        QVERIFY(!second->looksHovered());

        moveTo(m_parent.get(), { 20, 250 });
        QTRY_VERIFY(!first->looksHovered());
        QCOMPARE(first->currentPicture(), PictureId::DialogButton);
        QCOMPARE(first->grab().toImage().pixelColor(3, 3), normal);

        // Pressed, released, and the keyboard's Space click it.
        PictureButton *button = first;
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        moveTo(button);
        QTRY_VERIFY(button->underMouse());
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(button->currentPicture(), PictureId::DialogButtonPressed);
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(button->currentPicture(), PictureId::DialogButtonHover);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(clicked.size(), 2);

        // Disabled, the pointer over it changes nothing; enabled again, it clicks.
        moveTo(m_parent.get(), { 20, 250 });
        QTRY_VERIFY(!button->underMouse());
        button->enableButton(false);
        QVERIFY(button->isButtonDisabled());
        QCOMPARE(button->currentPicture(), PictureId::DialogButtonDisabled);
        moveTo(button);
        QTRY_VERIFY(button->underMouse());
        QCOMPARE(button->currentPicture(), PictureId::DialogButtonDisabled);
        QVERIFY(!button->looksHovered());
        button->enableButton(true);
        QVERIFY(!button->isButtonDisabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicked.size(), 3);
    }

private:
    // A dialog button face.
    PictureButton *addButton(int id, QPoint pos)
    {
        auto *button = new PictureButton(id, m_parent.get());
        button->setPictures(PictureId::DialogButton, PictureId::DialogButtonHover, PictureId::DialogButtonPressed,
            PictureId::DialogButtonDisabled);
        button->setNotifyParent(true);
        PictureButton::connectHoverReset(button);
        button->setGeometry(QRect(pos, pictureSize(PictureId::DialogButton)));
        return button;
    }

    void showParent()
    {
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }

    void moveTo(QWidget *widget, QPoint pos = {})
    {
        QTest::mouseMove(widget, pos.isNull() ? widget->rect().center() : pos);
    }

    std::unique_ptr<QWidget> m_parent;
};

QTEST_MAIN(TestPictureButton)
#include "TestPictureButton.moc"
