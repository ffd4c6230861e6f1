// SPDX-License-Identifier: GPL-3.0-or-later
#include "LockOnWake.h"

using namespace Qt::StringLiterals;

namespace {

const QString kWhy = u"Locks the screen before the machine sleeps"_s;

} // namespace

LockOnWake::LockOnWake(const LogindManager &logind, QObject *parent)
    : QObject(parent)
    , m_logind(logind)
    , m_delay(logind.bus(), u"sleep"_s, u"delay"_s)
{
    QDBusConnection bus = m_logind.bus();
    bus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s,
        u"PrepareForSleep"_s, this, SLOT(onPrepareForSleep(bool)));
}

Result<> LockOnWake::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled) {
        m_delay.release();
        return {};
    }
    return m_delay.take(kWhy);
}

void LockOnWake::onPrepareForSleep(bool starting)
{
    if (!m_enabled)
        return;
    if (starting) {
        // A refusal cannot stop the sleep; the lock is given back either way.
        (void)m_logind.lockSession();
        m_delay.release();
    } else {
        (void)m_delay.take(kWhy);
    }
}
