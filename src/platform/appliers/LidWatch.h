// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "LogindManager.h"

#include <QDBusConnection>
#include <QThread>
#include <memory>

class LidWatchReceiver;

// Acts in logind's place when the lid closes (UPower's LidIsClosed), while Ampora holds logind's
// lid lock. It runs on a thread of its own: a closed laptop must still sleep when the window's
// thread is busy or hangs, or it would run on in a bag. Nothing happens while logind says the
// machine is docked, as logind itself would do.
class AMPORA_BASE_EXPORT LidWatch
{
public:
    explicit LidWatch(const QDBusConnection &systemBus);
    ~LidWatch();
    LidWatch(const LidWatch &) = delete;
    LidWatch &operator=(const LidWatch &) = delete;

    // What to do when the lid closes; Nothing does nothing (logind's own setting then rules, or
    // Ampora's lock holds it back).
    void setAction(LogindManager::Action action);

private:
    QThread m_thread;
    std::unique_ptr<LidWatchReceiver> m_receiver;
};
