#include "PleaseWaitDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

PleaseWaitDialog::PleaseWaitDialog(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
    , m_label(new QLabel(QStringLiteral("Please wait..."), this))
    , m_bar(new QProgressBar(this))
{
    setModal(false);
    setFixedSize(400, 85);
    m_label->move(168, 20);
    m_label->adjustSize();
    // Minimum and maximum both 0: an endless marquee instead of a percentage.
    m_bar->setRange(0, 0);
    m_bar->setTextVisible(false);
    m_bar->setGeometry(10, 40, 380, 20);
}

void PleaseWaitDialog::showEvent(QShowEvent *event)
{
    centreOnOwner();
    QDialog::showEvent(event);
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
