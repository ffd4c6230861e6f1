// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PleaseWaitDialog.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QtConcurrent>
#include <functional>
#include <utility>

// Work that may take long (many files, the user manager) runs on a worker thread while the caller
// waits for it in an event loop of its own: the windows keep painting and the timers keep
// running, but the user's input is dropped until it is done, so nothing can act on the lists the
// work changes. The please-wait window shows once it has taken half a second. To the caller it is
// one call that returns the work's result, as a message box is.
//
// The work must only touch what may be used from another thread (the platform backends), never
// widgets.
class BusyWork : public QObject
{
    Q_OBJECT
public:
    template <typename T> static T run(PleaseWaitDialog *pleaseWait, std::function<T()> work)
    {
        BusyWork busy(pleaseWait);
        QFutureWatcher<T> watcher;
        QEventLoop loop;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        const QFuture<T> future = QtConcurrent::run(std::move(work));
        watcher.setFuture(future);
        if (!future.isFinished())
            loop.exec();
        // The loop also ends when the program quits; the work still has to end first.
        watcher.waitForFinished();
        return future.result();
    }

    // Whether some work is being waited for, while input is dropped.
    static bool isRunning();
    // Calls call once no work is waited for any more (at once when none is), unless context is
    // gone by then. What would change the lists while work runs on them waits for it this way.
    static void afterwards(QObject *context, std::function<void()> call);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit BusyWork(PleaseWaitDialog *pleaseWait);
    ~BusyWork() override;

    QPointer<PleaseWaitDialog> m_pleaseWait;
    bool m_shown = false;
};
