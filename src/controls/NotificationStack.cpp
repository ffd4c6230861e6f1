// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotificationStack.h"

#include "NotificationStrip.h"
#include "Pictures.h"
#include "PopupPlacement.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

NotificationStack::NotificationStack(QObject *parent)
    : QObject(parent)
{
}

NotificationStack &NotificationStack::instance()
{
    static QPointer<NotificationStack> stack;
    if (!stack)
        stack = new NotificationStack(QCoreApplication::instance());
    return *stack;
}

bool NotificationStack::show(const QString &title, const QString &body, int width, int height, QWidget *owner,
    PopupAccent accent, int displayMs, AfterPopup after)
{
    if (m_desktopRoute) {
        // The popup's own picture, its brand, goes along; the accent colour has no place there.
        m_desktopRoute(title, body, loadPicture(PictureId::PopupBrand), displayMs, [after] {
            if (after == AfterPopup::EndProgram)
                QCoreApplication::exit(0);
        });
        return true;
    }
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    QList<QRect> taken;
    taken.reserve(m_popups.size());
    for (const NotificationStrip *popup : std::as_const(m_popups))
        taken.append(popup->finalRect());
    const std::optional<QRect> place = findPopupPlace(screen->availableGeometry(), QSize(width, height), taken);
    if (!place)
        return false;
    auto *popup = new NotificationStrip(title, body, this, accent, after);
    popup->setDisplayTime(displayMs);
    popup->setFinalRect(*place);
    popup->start();
    m_popups.append(popup);
    return true;
}

void NotificationStack::forget(NotificationStrip *popup)
{
    const qsizetype at = m_popups.lastIndexOf(popup);
    if (at < 0)
        return;
    m_popups.removeAt(at);
    Q_EMIT popupGone();
}
