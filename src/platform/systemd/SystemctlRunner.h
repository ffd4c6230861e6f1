#pragma once

#include <QStringList>

// Talks to the user's service manager through "systemctl --user". Every call is bounded by a
// timeout; a missing systemctl, no running user manager or a refusal all just report false, so
// tasks are still written and read on machines without one.
class SystemctlRunner
{
public:
    explicit SystemctlRunner(int timeoutMs = 10000)
        : m_timeoutMs(timeoutMs)
    {
    }

    bool run(const QStringList &arguments) const;

private:
    int m_timeoutMs;
};
