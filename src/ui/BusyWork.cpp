// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusyWork.h"

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <utility>

using namespace std::chrono_literals;

namespace {

// Anything shorter passes without a word; anything longer says that the program is working.
constexpr auto kPleaseWaitAfter = 500ms;

int g_running = 0;

struct Pending
{
    QPointer<QObject> context;
    std::function<void()> call;
};
QList<Pending> g_afterwards;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close: // the window's close box, which may end the page waiting here
        return true;
    default:
        return false;
    }
}

} // namespace

BusyWork::BusyWork(PleaseWaitDialog *pleaseWait)
    : m_pleaseWait(pleaseWait)
{
    ++g_running;
    qApp->installEventFilter(this);
    if (!m_pleaseWait)
        return;
    QTimer::singleShot(kPleaseWaitAfter, this, [this] {
        if (!m_pleaseWait || m_pleaseWait->isVisible())
            return; // gone, or already shown by a reload
        // Shown over the window that waits, it must not take the keyboard from it.
        m_pleaseWait->setAttribute(Qt::WA_ShowWithoutActivating);
        m_pleaseWait->show();
        m_shown = true;
    });
}

BusyWork::~BusyWork()
{
    if (m_shown && m_pleaseWait)
        m_pleaseWait->hide();
    if (--g_running > 0)
        return;
    for (Pending &pending : std::exchange(g_afterwards, {})) {
        if (pending.context)
            QMetaObject::invokeMethod(pending.context, std::move(pending.call), Qt::QueuedConnection);
    }
}

void BusyWork::afterwards(QObject *context, std::function<void()> call)
{
    if (g_running == 0)
        QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
    else
        g_afterwards.append({ context, std::move(call) });
}

bool BusyWork::isRunning()
{
    return g_running > 0;
}

bool BusyWork::eventFilter(QObject *watched, QEvent *event)
{
    // Only what is meant for a window: a close the program asks for itself still goes through.
    if (isUserInput(event->type()) && (event->type() != QEvent::Close || event->spontaneous()))
        return true;
    return QObject::eventFilter(watched, event);
}
