#pragma once

#include "PopupAccent.h"

#include <QList>
#include <QObject>
#include <QString>

class NotificationStrip;
class QWidget;

// Whether the program ends (with exit code 0) once a popup has gone.
enum class AfterPopup { KeepRunning, EndProgram };

// Places notification popups in the bottom-right corner of the work area and keeps the list of the
// popups it showed, oldest first, so a new popup takes the next free place instead of covering
// one that is still up. The program shows every popup through the one stack of the process
// (instance()). Each popup runs its own life and leaves the list when it is gone; a stack may be
// destroyed earlier without taking its popups down.
class NotificationStack : public QObject
{
    Q_OBJECT

public:
    // What the program's own notifications (plan changes, battery state) use.
    static constexpr int kStandardWidth = 370;
    static constexpr int kStandardHeight = 180;
    static constexpr int kStandardDisplayMs = 7000;

    explicit NotificationStack(QObject *parent = nullptr);

    // The process's stack, made on first use and owned by the application object.
    static NotificationStack &instance();

    // Shows a popup of width x height on the owner's screen (the primary screen without an owner).
    // False when the work area has no free place left.
    bool show(const QString &title, const QString &body, int width, int height, QWidget *owner, PopupAccent accent,
        int displayMs, AfterPopup after = AfterPopup::KeepRunning);

    const QList<NotificationStrip *> &popups() const { return m_popups; }

    // Called by a popup once it is gone; does nothing for a popup that is not listed.
    void forget(NotificationStrip *popup);

Q_SIGNALS:
    void popupGone();

private:
    QList<NotificationStrip *> m_popups;
};
