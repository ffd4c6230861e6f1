// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QStringList>

// Talks to the user's service manager through "systemctl --user". Every call is bounded by a
// timeout. A failure says why in systemctl's own words (its first line on stderr), or that it could
// not be started, did not end in time or exited with a status and said nothing.
class SystemctlRunner
{
public:
    explicit SystemctlRunner(int timeoutMs = 10000)
        : m_timeoutMs(timeoutMs)
    {
    }

    Result<> run(const QStringList &arguments) const;
    // As run(), and what systemctl printed on stdout. It runs in the zone UTC (TZ=UTC), so that the
    // times it prints read the same whatever the local zone.
    Result<QString> read(const QStringList &arguments) const;

private:
    Result<QString> execute(const QStringList &arguments, bool keepOutput) const;

    int m_timeoutMs;
};
