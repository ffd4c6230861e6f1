// SPDX-License-Identifier: GPL-3.0-or-later
#include "PleaseWaitDialog.h"

#include "UiFonts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

PleaseWaitDialog::PleaseWaitDialog(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(false);
    setFixedSize(400, 85);
    // The program's dialog face, like every other dialog's.
    setFont(uiFont(8));
}

void PleaseWaitDialog::showEvent(QShowEvent *event)
{
    // Its contents are made when it first shows: most starts never need them, and a window that is
    // opening must not wait for them.
    if (!m_bar)
        buildContents();
    centreOnOwner();
    QDialog::showEvent(event);
}

void PleaseWaitDialog::buildContents()
{
    m_label = new QLabel(QStringLiteral("Please wait..."), this);
    m_label->move(168, 20);
    m_label->adjustSize();
    m_label->show();
    m_bar = new QProgressBar(this);
    // Minimum and maximum both 0: an endless marquee instead of a percentage.
    m_bar->setRange(0, 0);
    m_bar->setTextVisible(false);
    m_bar->setGeometry(10, 40, 380, 20);
    m_bar->show();
}

void PleaseWaitDialog::centreOnOwner()
{
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (owner)
        area = QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    move(area.center() - rect().center());
}
