// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotificationStrip.h"

#include "NotificationPopup.h"
#include "NotificationStack.h"

#include <QCoreApplication>

NotificationStrip::NotificationStrip(
    const QString &title, const QString &body, NotificationStack *stack, PopupAccent accent, AfterPopup after)
    : QWidget(nullptr,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowTransparentForInput)
    , m_title(title)
    , m_body(body)
    , m_accent(accent)
    , m_after(after)
    , m_stack(stack)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    // The strip paints nothing of its own.
    setAttribute(Qt::WA_TranslucentBackground);
    m_stepTimer.setSingleShot(true);
    m_stepTimer.setInterval(NotificationPopup::kStepMs);
    connect(&m_stepTimer, &QTimer::timeout, this, &NotificationStrip::onStep);
}

NotificationStrip::~NotificationStrip()
{
    if (m_stack)
        m_stack->forget(this);
}

void NotificationStrip::start()
{
    m_phase = Phase::Growing;
    m_stepTimer.start();
}

void NotificationStrip::shrink()
{
    m_phase = Phase::Shrinking;
    m_stepTimer.start();
}

void NotificationStrip::onStep()
{
    if (m_phase == Phase::Growing)
        grow();
    else
        shrinkStep();
}

void NotificationStrip::grow()
{
    if (m_step <= m_stepLimit) {
        setGeometry(stripRect());
        show();
        ++m_step;
        m_stepTimer.start();
    } else if (!m_content) {
        createContent();
    }
}

void NotificationStrip::shrinkStep()
{
    if (m_step > 0) {
        setGeometry(stripRect());
        m_step -= 2;
        m_stepTimer.start();
    } else if (m_content) {
        finish();
    }
}

void NotificationStrip::createContent()
{
    m_content = std::make_unique<NotificationPopup>(m_title, m_body, this, m_accent);
    m_content->setDisplayTime(m_displayTime);
    m_content->setFinalRect(m_finalRect);
    m_content->slideIn();
}

void NotificationStrip::finish()
{
    hide();
    m_content.reset();
    if (m_stack)
        m_stack->forget(this);
    m_stack = nullptr;
    if (m_after == AfterPopup::EndProgram)
        QCoreApplication::exit(0);
    deleteLater();
}

QRect NotificationStrip::stripRect() const
{
    // Under the content window, which stands ten pixels left of the place and four above its bottom.
    const int finalBottom = m_finalRect.y() + m_finalRect.height();
    return QRect(m_finalRect.x() - 10, finalBottom - m_step - 3, m_finalRect.width(), m_step + 1);
}
