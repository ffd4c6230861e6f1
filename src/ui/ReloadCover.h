// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PleaseWaitDialog.h"

#include <QObject>
#include <QPointer>

class QWidget;

// Covers a page while its lists reload: the page is disabled and the please-wait window shows,
// so that nobody acts on rows about to be replaced. A modal dialog open meanwhile (an editor, a
// message box) keeps working and keeps the keyboard: the page is not disabled under it, which
// would disable the dialog too, and the please-wait window does not show over it. The cover
// waits until the last such dialog has closed. When it lifts, the keyboard focus goes back to the
// control of the page that had it, so typed keys keep their target.
class ReloadCover : public QObject
{
    Q_OBJECT
public:
    ReloadCover(QWidget *page, PleaseWaitDialog *pleaseWait);
    // The page goes: the please-wait window, which is the frame's, must not stay up.
    ~ReloadCover() override;

    // The page is to be covered from now on, at once or once no modal dialog is open.
    void cover();
    void lift();
    bool isCovering() const { return m_covered; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void coverOrWait();
    void stopWaiting();

    QWidget *m_page;
    QPointer<PleaseWaitDialog> m_pleaseWait; // the frame's, which may go first
    QPointer<QWidget> m_focus; // the page's control that had the keyboard when covered
    QPointer<QWidget> m_dialog; // the modal dialog the cover waits for
    bool m_wanted = false;
    bool m_covered = false;
};
