// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureButton.h"

#include "FocusMark.h"
#include "Pictures.h"
#include "UiFonts.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kDisabledOnPage = 0xFF4D91B7;
constexpr int kSmallPictureWidth = 50;
constexpr int kTileWidth = 120;
constexpr int kTileTextMargin = 8;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;

// Small pictures: the caption beside the picture, possibly followed by a second text.
PictureButton::TextLayout smallLayout(qsizetype captionLength, bool captionBeside, bool disabled, bool hasSecondText)
{
    PictureButton::TextLayout layout;
    layout.captionAlignment = kLeft;
    if (hasSecondText) {
        const QRgb colour = captionBeside ? kGrey : kWhite;
        layout.pointSize = 8;
        layout.captionRect = QRect(20, 0, 120, 16);
        layout.captionColour = colour;
        layout.secondRect = QRect(5 * int(captionLength) + 20, 0, 500, 16);
        layout.secondColour = colour;
    } else if (captionBeside) {
        layout.pointSize = 9;
        layout.captionRect = QRect(25, 0, 200, 16);
        layout.captionColour = disabled ? kGrey : kBlack;
    } else {
        layout.pointSize = 8;
        layout.captionRect = QRect(20, 2, 120, 16);
        layout.captionColour = disabled ? kDisabledOnPage : kWhite;
    }
    return layout;
}

// A one-line text box grown about its middle to a line of the font really used: large fonts
// (a font DPI above 96) would otherwise lose their descenders.
QRect fitLineHeight(QRect box, int lineHeight)
{
    const int missing = lineHeight - box.height();
    if (missing > 0)
        box.adjust(0, -missing / 2, 0, missing - missing / 2);
    return box;
}

} // namespace

PictureButton::TextLayout PictureButton::textLayout(
    QSize picture, qsizetype captionLength, bool captionBeside, bool disabled, bool hasSecondText)
{
    const int w = picture.width();
    const int h = picture.height();
    if (w < kSmallPictureWidth)
        return smallLayout(captionLength, captionBeside, disabled, hasSecondText);

    TextLayout layout;
    layout.captionColour = kWhite;
    if (w < kTileWidth || picture == pictureSize(PictureId::WideDialogButton)) {
        // Button faces: the caption centred across the face.
        layout.pointSize = 11;
        layout.captionRect = QRect(0, 5, captionLength <= 9 ? w - 5 : w, 16);
        layout.captionAlignment = kCentred;
    } else if (captionLength <= 8) {
        // Tiles: a short caption large at the top right, a long one along the bottom.
        layout.pointSize = 20;
        layout.captionRect = QRect(110, 7, 200, 60);
        layout.captionAlignment = kLeft;
    } else {
        layout.pointSize = 11;
        layout.captionRect = QRect(10, h - 48, 300, 60);
        layout.captionAlignment = kLeft;
    }
    return layout;
}

PictureButton::PictureButton(int id, QWidget *parent)
    : QAbstractButton(parent)
    , m_id(id)
{
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab like any button; Space clicks it (QAbstractButton), Enter too (below).
    setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::setPictures(PictureId normal, PictureId hover, PictureId pressed, PictureId disabled)
{
    const PictureId ids[PictureCount] = { normal, hover, pressed, disabled };
    for (int i = 0; i < PictureCount; ++i) {
        m_pictureIds[i] = ids[i];
        m_pictures[i].reset();
    }
    update();
}

QSize PictureButton::captionExtent() const
{
    const TextLayout layout = textLayout(picture(Normal).deviceIndependentSize().toSize(), m_caption.size(),
        m_captionBeside, m_disabled, !m_secondText.isEmpty());
    const QFontMetrics metrics(uiFont(layout.pointSize));
    const QRect box = fitLineHeight(layout.captionRect, metrics.height());
    return QSize(layout.captionRect.left() + metrics.horizontalAdvance(m_caption), box.bottom() + 1);
}

void PictureButton::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void PictureButton::setSecondText(const QString &text)
{
    m_secondText = text;
    update();
}

void PictureButton::setCaptionBeside(bool beside)
{
    m_captionBeside = beside;
    update();
}

void PictureButton::setAction(QAction *action)
{
    m_action = action;
    setObjectName(action->objectName());
    connect(this, &QAbstractButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, this, [this] {
        if (m_action && m_action->isEnabled() == m_disabled)
            enableButton(m_action->isEnabled());
    });
    enableButton(action->isEnabled());
}

void PictureButton::enableButton(bool enable)
{
    m_disabled = !enable;
    setEnabled(enable);
    update();
}

PictureButton::Picture PictureButton::currentState() const
{
    if (isDown())
        return Pressed;
    // Only the button's own disabled state counts, as for a native button: while a page is
    // disabled for a reload its buttons keep their look.
    if (testAttribute(Qt::WA_ForceDisabled) || m_disabled)
        return Disabled;
    return looksHovered() ? Hover : Normal;
}

PictureId PictureButton::currentPicture() const
{
    return m_pictureIds[currentState()];
}

void PictureButton::resetHover()
{
    m_hoverLatched = false;
    m_hover = false;
    update();
}

void PictureButton::resetHoverOf(const QWidget *parent, int id)
{
    if (!parent)
        return;
    const auto buttons = parent->findChildren<PictureButton *>(Qt::FindDirectChildrenOnly);
    for (PictureButton *button : buttons) {
        if (button->id() == id)
            button->resetHover();
    }
}

void PictureButton::connectHoverReset(PictureButton *button)
{
    connect(button, &PictureButton::hoverLeft, button, [button](int id) { resetHoverOf(button->parentWidget(), id); });
}

void PictureButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    // A disabled native button never sees the pointer.
    if (!isEnabled())
        return;
    if (s_lastHoveredId != NoButton)
        Q_EMIT hoverLeft(s_lastHoveredId);
    m_hover = true;
    if (m_rememberHover) {
        s_lastHoveredId = m_id;
        m_hoverLatched = true;
    }
    if (m_notifyParent)
        Q_EMIT hoverEntered(m_id);
    update();
}

void PictureButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    if (m_notifyParent)
        Q_EMIT hoverLeft(m_id);
    update();
}

const QImage &PictureButton::picture(Picture state) const
{
    if (!m_pictures[state])
        m_pictures[state] = loadPicture(m_pictureIds[state]);
    return *m_pictures[state];
}

void PictureButton::paintEvent(QPaintEvent *)
{
    // Nothing is painted behind the picture: its transparent parts show the parent.
    QPainter painter(this);
    const Picture state = currentState();
    const QImage &face = picture(state);
    painter.drawImage(0, 0, face);
    drawText(painter, face.deviceIndependentSize().toSize());
    paintFocusMark(painter, *this);
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isEnabled() && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void PictureButton::drawText(QPainter &painter, QSize picture) const
{
    const TextLayout layout
        = textLayout(picture, m_caption.size(), m_captionBeside, m_disabled, !m_secondText.isEmpty());
    painter.setFont(uiFont(layout.pointSize));
    painter.setPen(QColor::fromRgba(layout.captionColour));
    const int lineHeight = painter.fontMetrics().height();
    const int flags = int(layout.captionAlignment) | Qt::TextWordWrap;
    QRect caption = fitLineHeight(layout.captionRect, lineHeight);
    if (picture.width() >= kTileWidth && picture != pictureSize(PictureId::WideDialogButton)) {
        // A tile's caption wider than the tile (a large font, a long translation) wraps instead of
        // being cut at its edge, and its lines move up as far as they would run past the bottom.
        caption.setRight(std::min(caption.right(), width() - 1 - kTileTextMargin));
        const int overflow
            = painter.boundingRect(caption, flags, m_caption).bottom() - (height() - 1 - kTileTextMargin / 2);
        if (overflow > 0)
            caption.translate(0, -overflow);
    }
    painter.drawText(caption, flags, m_caption);
    if (layout.secondRect.isEmpty())
        return;
    painter.setPen(QColor::fromRgba(layout.secondColour));
    painter.drawText(fitLineHeight(layout.secondRect, lineHeight), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
        m_secondText);
}
