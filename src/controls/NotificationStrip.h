// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NotificationStack.h"

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <memory>

class NotificationPopup;

// The thin strip under a notification popup. It grows for two ticks, then creates the popup's
// content window; once the content has slid away it shrinks, destroys the content and itself and
// leaves its stack, and ends the program with exit code 0 when it was told to.
class NotificationStrip : public QWidget
{
    Q_OBJECT

public:
    NotificationStrip(
        const QString &title, const QString &body, NotificationStack *stack, PopupAccent accent, AfterPopup after);
    ~NotificationStrip() override;

    void setDisplayTime(int ms) { m_displayTime = ms; }
    void setFinalRect(const QRect &rect) { m_finalRect = rect; }
    QRect finalRect() const { return m_finalRect; }
    const QString &title() const { return m_title; }
    const QString &body() const { return m_body; }
    NotificationPopup *content() const { return m_content.get(); }

    // Starts growing; the content follows on the second tick.
    void start();
    // Called by the content once it has slid away.
    void shrink();

private:
    enum class Phase { Growing, Shrinking };

    void onStep();
    void grow();
    void shrinkStep();
    void createContent();
    void finish();
    QRect stripRect() const;

    int m_displayTime = NotificationStack::kStandardDisplayMs;
    QRect m_finalRect;
    QString m_title;
    QString m_body;
    std::unique_ptr<NotificationPopup> m_content;
    int m_step = 1;
    int m_stepLimit = 1;
    PopupAccent m_accent;
    AfterPopup m_after;
    QPointer<NotificationStack> m_stack;
    Phase m_phase = Phase::Growing;
    QTimer m_stepTimer;
};
