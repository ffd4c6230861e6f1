#pragma once

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <memory>

class NotificationPopup;
class NotificationStack;

// The thin strip under a notification popup. It grows for two ticks, then creates the popup's
// content window; once the content has slid away it shrinks, destroys the content and itself and
// leaves its stack. A popup with picture number 99 then ends the program with exit code 0.
class NotificationStrip : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kPictureEndsProgram = 99;

    NotificationStrip(const QString &title, const QString &body, NotificationStack *stack, int pictureNumber);
    ~NotificationStrip() override;

    void setDisplayTime(int ms) { m_displayTime = ms; }
    void setFinalRect(const QRect &rect) { m_finalRect = rect; }
    QRect finalRect() const { return m_finalRect; }
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

    int m_displayTime = 7000;
    QRect m_finalRect;
    QString m_title;
    QString m_body;
    std::unique_ptr<NotificationPopup> m_content;
    int m_step = 1;
    int m_stepLimit = 1;
    int m_pictureNumber;
    QPointer<NotificationStack> m_stack;
    Phase m_phase = Phase::Growing;
    QTimer m_stepTimer;
};
