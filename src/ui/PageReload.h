// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BusyWork.h"
#include "PleaseWaitDialog.h"
#include "ReloadCover.h"

#include <QFutureWatcher>
#include <QWidget>
#include <QtConcurrent>
#include <functional>
#include <utility>

// A page's reload: load runs on a worker thread while the page is covered (see ReloadCover:
// disabled under the please-wait window, unless a modal dialog is open over it); show then hands
// the result to the page on the user-interface thread. A reload asked for while one runs starts
// once the running one has been shown, so two loads never run at the same time and the last
// request is always served. One asked for while the page waits for its own work (BusyWork) starts
// once that is done, so the rows that work acts on stay.
template <typename Result> class PageReload
{
public:
    PageReload(QWidget *page, PleaseWaitDialog *pleaseWait, std::function<Result()> load,
        std::function<void(const Result &)> show)
        : m_page(page)
        , m_cover(page, pleaseWait)
        , m_load(std::move(load))
        , m_show(std::move(show))
    {
        QObject::connect(&m_watcher, &QFutureWatcher<Result>::finished, page, [this] { finished(); });
    }

    // The worker reads what the window owns; it must end before the page does.
    ~PageReload()
    {
        if (m_watcher.isRunning())
            m_watcher.waitForFinished();
    }

    PageReload(const PageReload &) = delete;
    PageReload &operator=(const PageReload &) = delete;

    void request()
    {
        if (BusyWork::isRunning()) {
            if (!std::exchange(m_deferred, true))
                BusyWork::afterwards(m_page, [this] {
                    m_deferred = false;
                    request();
                });
            return;
        }
        if (m_running)
            m_again = true;
        else
            start();
    }

    // From the request until its result is shown: the worker may be done before the page knows.
    bool isRunning() const { return m_running || m_deferred; }

private:
    void start()
    {
        m_running = true;
        m_cover.cover();
        m_watcher.setFuture(QtConcurrent::run(m_load));
    }

    void finished()
    {
        m_show(m_watcher.result());
        if (std::exchange(m_again, false)) {
            start();
            return;
        }
        m_running = false;
        m_cover.lift();
    }

    QWidget *m_page;
    ReloadCover m_cover;
    std::function<Result()> m_load;
    std::function<void(const Result &)> m_show;
    QFutureWatcher<Result> m_watcher;
    bool m_again = false;
    bool m_running = false;
    bool m_deferred = false; // until the page's work is done
};
