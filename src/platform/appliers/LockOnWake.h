// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "LogindInhibitor.h"
#include "LogindManager.h"

#include <QObject>

// Locks the screen before the machine sleeps, where no desktop does: a "sleep" delay lock makes
// logind wait; when it announces sleep (PrepareForSleep), the user's session is told to lock
// (Session.Lock, which a screen locker such as xss-lock follows) and the lock is given back so the
// machine sleeps at once. After the wake-up it is taken again.
class AMPORA_BASE_EXPORT LockOnWake : public QObject
{
    Q_OBJECT
public:
    explicit LockOnWake(const LogindManager &logind, QObject *parent = nullptr);

    Result<> setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    bool isHeld() const { return m_delay.isHeld(); }

private Q_SLOTS:
    void onPrepareForSleep(bool starting);

private:
    LogindManager m_logind;
    LogindInhibitor m_delay;
    bool m_enabled = false;
};
