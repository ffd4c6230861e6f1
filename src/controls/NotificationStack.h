// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PopupAccent.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class NotificationStrip;
class QImage;
class QWidget;

// Whether the program ends (with exit code 0) once a popup has gone.
enum class AfterPopup { KeepRunning, EndProgram };

// Places notification popups in the bottom-right corner of the work area and keeps the list of the
// popups it showed, oldest first, so a new popup takes the next free place instead of covering
// one that is still up. The program shows every popup through the one stack of the process
// (instance()). Each popup runs its own life and leaves the list when it is gone; a stack may be
// destroyed earlier without taking its popups down.
// Where no window can place itself (Wayland), the popups go to the desktop's notification service
// instead, through the route the application sets.
class NotificationStack : public QObject
{
    Q_OBJECT

public:
    // Hands a popup's title, body, picture and display time to the desktop; `taken` runs once
    // the desktop has answered, or failed to.
    using DesktopRoute = std::function<void(
        const QString &title, const QString &body, const QImage &picture, int displayMs, std::function<void()> taken)>;

    // What the program's own notifications (plan changes, battery state) use.
    static constexpr int kStandardWidth = 370;
    static constexpr int kStandardHeight = 180;
    static constexpr int kStandardDisplayMs = 7000;

    explicit NotificationStack(QObject *parent = nullptr);

    // The process's stack, made on first use and owned by the application object.
    static NotificationStack &instance();

    // Shows a popup of width x height on the owner's screen (the primary screen without an owner).
    // False when the work area has no free place left. With a desktop route, the popup goes there.
    bool show(const QString &title, const QString &body, int width, int height, QWidget *owner, PopupAccent accent,
        int displayMs, AfterPopup after = AfterPopup::KeepRunning);

    const QList<NotificationStrip *> &popups() const { return m_popups; }

    void routeToDesktop(DesktopRoute route) { m_desktopRoute = std::move(route); }

    // Called by a popup once it is gone; does nothing for a popup that is not listed.
    void forget(NotificationStrip *popup);

Q_SIGNALS:
    void popupGone();

private:
    QList<NotificationStrip *> m_popups;
    DesktopRoute m_desktopRoute;
};
