#include "CXCmdBtn.h"

#include "CGdiPlusBitmapResource.h"
#include "UiFonts.h"

#include <QPainter>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kDisabledOnPage = 0xFF4D91B7;
constexpr int kSmallPictureWidth = 50;
constexpr int kTileWidth = 120;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;

// Small pictures: the caption beside the picture, possibly followed by a second text.
CXCmdBtn::TextLayout smallLayout(qsizetype captionLength, bool captionBeside, bool disabled, bool hasSecondText)
{
    CXCmdBtn::TextLayout layout;
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

} // namespace

CXCmdBtn::TextLayout CXCmdBtn::textLayout(QSize picture, qsizetype captionLength, bool captionBeside,
                                          bool disabled, bool hasSecondText)
{
    const int w = picture.width();
    const int h = picture.height();
    if (w < kSmallPictureWidth)
        return smallLayout(captionLength, captionBeside, disabled, hasSecondText);

    TextLayout layout;
    layout.captionColour = kWhite;
    if (w < kTileWidth || picture == QSize(164, 26)) {
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

CXCmdBtn::CXCmdBtn(int id, QWidget *parent)
    : QAbstractButton(parent)
    , m_id(id)
{
    setCursor(Qt::PointingHandCursor);
}

void CXCmdBtn::setPictures(int normal, int hover, int pressed, int disabled)
{
    const int ids[PictureCount] = {normal, hover, pressed, disabled};
    CGdiPlusBitmapResource resource;
    for (int i = 0; i < PictureCount; ++i) {
        m_pictureIds[i] = ids[i];
        m_pictures[i] = resource.Load(ids[i]) ? resource.bitmap() : QImage();
    }
    update();
}

void CXCmdBtn::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void CXCmdBtn::setSecondText(const QString &text)
{
    m_secondText = text;
    update();
}

void CXCmdBtn::setCaptionBeside(bool beside)
{
    m_captionBeside = beside;
    update();
}

void CXCmdBtn::EnableButton(bool enable)
{
    m_disabled = !enable;
    setEnabled(enable);
    update();
}

CXCmdBtn::Picture CXCmdBtn::currentState() const
{
    if (isDown())
        return Pressed;
    // Only the button's own disabled state counts, as for a native button: while a page is
    // disabled for a reload its buttons keep their look.
    if (testAttribute(Qt::WA_ForceDisabled) || m_disabled)
        return Disabled;
    return looksHovered() ? Hover : Normal;
}

int CXCmdBtn::currentPicture() const
{
    return m_pictureIds[currentState()];
}

void CXCmdBtn::resetHover()
{
    m_hoverLatched = false;
    m_hover = false;
    update();
}

void CXCmdBtn::resetHoverOf(const QWidget *parent, int id)
{
    if (!parent)
        return;
    const auto buttons = parent->findChildren<CXCmdBtn *>(Qt::FindDirectChildrenOnly);
    for (CXCmdBtn *button : buttons) {
        if (button->id() == id)
            button->resetHover();
    }
}

void CXCmdBtn::connectHoverReset(CXCmdBtn *button)
{
    connect(button, &CXCmdBtn::hoverLeft, button,
            [button](int id) { resetHoverOf(button->parentWidget(), id); });
}

void CXCmdBtn::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    // A disabled native button never sees the pointer.
    if (!isEnabled())
        return;
    if (s_lastHoveredId != NoButton)
        emit hoverLeft(s_lastHoveredId);
    m_hover = true;
    if (m_rememberHover) {
        s_lastHoveredId = m_id;
        m_hoverLatched = true;
    }
    if (m_notifyParent)
        emit hoverEntered(m_id);
    update();
}

void CXCmdBtn::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    if (m_notifyParent)
        emit hoverLeft(m_id);
    update();
}

void CXCmdBtn::paintEvent(QPaintEvent *)
{
    // Nothing is painted behind the picture: its transparent parts show the parent.
    QPainter painter(this);
    const QImage &picture = m_pictures[currentState()];
    painter.drawImage(0, 0, picture);
    drawText(painter, picture.size());
}

void CXCmdBtn::drawText(QPainter &painter, QSize picture) const
{
    const TextLayout layout =
        textLayout(picture, m_caption.size(), m_captionBeside, m_disabled, !m_secondText.isEmpty());
    painter.setFont(UiFont(layout.pointSize));
    painter.setPen(QColor::fromRgba(layout.captionColour));
    painter.drawText(layout.captionRect, int(layout.captionAlignment) | Qt::TextWordWrap, m_caption);
    if (layout.secondRect.isEmpty())
        return;
    painter.setPen(QColor::fromRgba(layout.secondColour));
    painter.drawText(layout.secondRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_secondText);
}
