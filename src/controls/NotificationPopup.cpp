// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotificationPopup.h"

#include "NotificationStrip.h"
#include "PictureButton.h"
#include "Pictures.h"
#include "UiFonts.h"

#include <QCursor>
#include <QEnterEvent>
#include <QPainter>
#include <QTextOption>
#include <algorithm>

namespace {

const QRect kCloseButtonRect(358, 4, 8, 8);
const QRect kBrandRect(0, 4, 95, 40);
const QPoint kTitleAt(12, 50);
const QRect kBodyRect(QPoint(12, 82), QPoint(359, 149));

} // namespace

NotificationPopup::NotificationPopup(
    const QString &title, const QString &body, NotificationStrip *frame, PopupAccent accent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_title(title)
    , m_body(body)
    , m_frame(frame)
    , m_brand(loadPicture(PictureId::PopupBrand))
    , m_closeButton(new PictureButton(kCloseButtonId, this))
    , m_bodyFont(uiFont(8, QFont::Bold))
    , m_titleFont(uiFont(10, QFont::Bold))
    , m_accent(accentColour(accent))
    , m_bodyOption(bodyTextOption(QFontMetrics(m_bodyFont)))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);

    m_closeButton->setGeometry(kCloseButtonRect);
    m_closeButton->setPictures(
        PictureId::PopupClose, PictureId::PopupClose, PictureId::PopupClose, PictureId::PopupClose);
    m_closeButton->setNotifyParent(true);
    connect(m_closeButton, &PictureButton::clicked, this, &NotificationPopup::slideAway);
    PictureButton::connectHoverReset(m_closeButton);

    m_stepTimer.setSingleShot(true);
    m_stepTimer.setInterval(kStepMs);
    connect(&m_stepTimer, &QTimer::timeout, this, &NotificationPopup::onStep);
    m_displayTimer.setSingleShot(true);
    connect(&m_displayTimer, &QTimer::timeout, this, &NotificationPopup::slideAway);
}

void NotificationPopup::slideIn()
{
    m_shownHeight = 0;
    m_phase = Phase::SlidingUp;
    m_stepTimer.start();
}

QRect NotificationPopup::placeFor(int shownHeight) const
{
    // Ten pixels left of the place and four above its bottom, so the frame strip shows beneath.
    const int finalBottom = m_finalRect.y() + m_finalRect.height();
    return QRect(m_finalRect.x() - 10, finalBottom - shownHeight - 4, m_finalRect.width(), shownHeight + 1);
}

QColor NotificationPopup::accentColour(PopupAccent accent)
{
    switch (accent) {
    case PopupAccent::Blue:
        return QColor(0, 175, 240);
    case PopupAccent::Green:
        return QColor(35, 199, 8);
    case PopupAccent::Yellow:
        return QColor(253, 191, 23);
    case PopupAccent::Orange:
        return QColor(255, 119, 52);
    }
    return QColor(Qt::black); // a value outside PopupAccent
}

QTextOption NotificationPopup::bodyTextOption(const QFontMetrics &metrics) const
{
    // Body lines read "label<TAB>: value": one tab stop just past the widest label lines the
    // values up whatever the language file's labels are.
    int widestLabel = 0;
    for (const QString &line : m_body.split(u'\n')) {
        const qsizetype tab = line.indexOf(u'\t');
        if (tab > 0)
            widestLabel = qMax(widestLabel, metrics.horizontalAdvance(line.left(tab)));
    }
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WordWrap);
    option.setTabStopDistance(widestLabel + metrics.horizontalAdvance(u' '));
    return option;
}

void NotificationPopup::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_accent);
    painter.setPen(Qt::white);
    painter.setFont(m_titleFont);
    painter.drawText(kTitleAt + QPoint(0, painter.fontMetrics().ascent()), m_title);
    painter.setFont(m_bodyFont);
    painter.drawText(QRectF(kBodyRect), m_body, m_bodyOption);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(kBrandRect, m_brand);
}

void NotificationPopup::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (m_phase == Phase::Shown)
        m_displayTimer.stop();
}

void NotificationPopup::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_phase == Phase::Shown)
        m_displayTimer.start(m_displayTime);
}

void NotificationPopup::onStep()
{
    if (m_phase == Phase::SlidingUp)
        slideUpStep();
    else if (m_phase == Phase::SlidingDown)
        slideDownStep();
}

void NotificationPopup::slideUpStep()
{
    const int fullHeight = m_finalRect.height();
    placeAt(m_shownHeight);
    if (m_shownHeight < fullHeight) {
        m_shownHeight = std::min(m_shownHeight + kSlidePixels, fullHeight);
        m_stepTimer.start();
        return;
    }
    m_phase = Phase::Shown;
    // The mouse may already rest where the popup came up: then the countdown waits for it to leave.
    if (!cursorInside())
        m_displayTimer.start(m_displayTime);
}

void NotificationPopup::slideDownStep()
{
    if (m_shownHeight <= 0) {
        m_phase = Phase::Closed;
        Q_EMIT finished();
        if (m_frame)
            m_frame->shrink();
        m_frame = nullptr;
        return;
    }
    m_shownHeight = std::max(m_shownHeight - kSlidePixels, 0);
    placeAt(m_shownHeight);
    m_stepTimer.start();
}

void NotificationPopup::slideAway()
{
    if (m_phase == Phase::SlidingDown || m_phase == Phase::Closed)
        return;
    m_phase = Phase::SlidingDown;
    m_displayTimer.stop();
    m_stepTimer.start();
}

void NotificationPopup::placeAt(int shownHeight)
{
    setGeometry(placeFor(shownHeight));
    show();
    // Paint in step with the move, not on a later pass of the event loop.
    repaint();
}

bool NotificationPopup::cursorInside() const
{
    return underMouse() || geometry().contains(QCursor::pos(screen()));
}
