// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReloadCover.h"

#include "PleaseWaitDialog.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <utility>

ReloadCover::ReloadCover(QWidget *page, PleaseWaitDialog *pleaseWait)
    : m_page(page)
    , m_pleaseWait(pleaseWait)
{
    // Shown over the window it covers, it must not take the keyboard from it.
    if (m_pleaseWait)
        m_pleaseWait->setAttribute(Qt::WA_ShowWithoutActivating);
}

ReloadCover::~ReloadCover()
{
    if (m_covered && m_pleaseWait)
        m_pleaseWait->hide();
}

void ReloadCover::cover()
{
    m_wanted = true;
    if (!m_covered && !m_dialog)
        coverOrWait();
}

void ReloadCover::coverOrWait()
{
    if (!m_wanted || m_covered)
        return;
    // Nobody can act on the page under a modal dialog; disabling the page would disable the
    // dialog with it.
    if (QWidget *dialog = QApplication::activeModalWidget(); dialog && dialog != m_pleaseWait) {
        m_dialog = dialog;
        dialog->installEventFilter(this);
        connect(dialog, &QObject::destroyed, this, &ReloadCover::stopWaiting, Qt::UniqueConnection);
        return;
    }
    QWidget *focus = m_page->window()->focusWidget();
    m_focus = focus && m_page->isAncestorOf(focus) ? focus : nullptr;
    m_covered = true;
    m_page->setEnabled(false);
    if (m_pleaseWait)
        m_pleaseWait->show();
}

void ReloadCover::stopWaiting()
{
    if (m_dialog) {
        m_dialog->removeEventFilter(this);
        disconnect(m_dialog, &QObject::destroyed, this, &ReloadCover::stopWaiting);
    }
    m_dialog = nullptr;
    // Once the closing dialog's own loop has let go: another dialog may still be open under it.
    QTimer::singleShot(0, this, &ReloadCover::coverOrWait);
}

bool ReloadCover::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dialog && event->type() == QEvent::Hide)
        stopWaiting();
    return QObject::eventFilter(watched, event);
}

void ReloadCover::lift()
{
    m_wanted = false;
    if (m_dialog) {
        m_dialog->removeEventFilter(this);
        disconnect(m_dialog, &QObject::destroyed, this, &ReloadCover::stopWaiting);
        m_dialog = nullptr;
    }
    if (!std::exchange(m_covered, false))
        return;
    m_page->setEnabled(true);
    // Disabling took the focus away; without this the window would give it to its first control.
    if (m_focus && m_focus->isEnabled() && m_focus->isVisible())
        m_focus->setFocus(Qt::OtherFocusReason);
    if (!m_pleaseWait)
        return;
    // Where the window system activated it all the same, the page's window takes the keyboard back.
    const bool tookActivation = m_pleaseWait->isActiveWindow();
    m_pleaseWait->hide();
    if (tookActivation)
        m_page->window()->activateWindow();
}
