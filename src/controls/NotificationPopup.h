// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandId.h"
#include "NotificationStack.h"
#include "PopupAccent.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QTextOption>
#include <QTimer>
#include <QWidget>
#include <algorithm>

class NotificationStrip;
class PictureButton;

// The content of a notification popup: accent colour, brand picture, title, body and a close
// button. It slides up out of its frame strip, stays for the display time (paused while the mouse
// is over it, started afresh each time the mouse leaves), slides back down and hands over to the
// frame, which destroys it.
class NotificationPopup : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kStepMs = 10; // one slide step; short enough to look smooth
    static constexpr int kSlidePixels = 12; // height gained or lost per step
    static constexpr int kCloseButtonId = CmdClosePopup;

    NotificationPopup(const QString &title, const QString &body, NotificationStrip *frame, PopupAccent accent);

    void setDisplayTime(int ms) { m_displayTime = std::max(ms, 0); }
    void setFinalRect(const QRect &rect) { m_finalRect = rect; }
    // Starts sliding up; the window appears on the first step.
    void slideIn();

    // Where the window stands with the given height shown; with the full height this is where it
    // stays while shown.
    QRect placeFor(int shownHeight) const;
    // True while the display time counts down (not while sliding or while the mouse is over it).
    bool isCountingDown() const { return m_displayTimer.isActive(); }
    PictureButton *closeButton() const { return m_closeButton; }

    static QColor accentColour(PopupAccent accent);

Q_SIGNALS:
    // The popup has slid away; the frame strip takes over from here.
    void finished();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    enum class Phase { SlidingUp, Shown, SlidingDown, Closed };

    void onStep();
    void slideUpStep();
    void slideDownStep();
    void slideAway();
    void placeAt(int shownHeight);
    bool cursorInside() const;
    QTextOption bodyTextOption(const QFontMetrics &metrics) const;

    QString m_title;
    QString m_body;
    QPointer<NotificationStrip> m_frame;
    int m_displayTime = NotificationStack::kStandardDisplayMs;
    QRect m_finalRect;
    int m_shownHeight = 0; // on screen the window is one pixel taller
    Phase m_phase = Phase::SlidingUp;
    QImage m_brand;
    PictureButton *m_closeButton;
    QFont m_bodyFont;
    QFont m_titleFont;
    QColor m_accent;
    QTextOption m_bodyOption; // worked out once: the popup repaints at every slide step
    QTimer m_stepTimer;
    QTimer m_displayTimer;
};
