// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"
#include "Result.h"

#include <QDateTime>
#include <QStringList>
#include <QUuid>
#include <optional>

// The last time a plan's values were applied on this machine, by whichever process did it: what
// `ampctl status` and the plan editor show. Kept beside the ledger as status.ini.
struct AMPORA_BASE_EXPORT ApplyStatus
{
    QUuid plan;
    PowerSource source = PowerSource::Ac;
    QDateTime time;
    QStringList appliers;
    QList<SettingReport> reports;
    // Why what was written could not be recorded, or empty; not kept in the file.
    QString recordFailure;

    // path empty: status.ini in $XDG_STATE_HOME/ampora.
    static QString defaultPath();
    // Nothing when no plan was applied yet or the file cannot be read.
    static std::optional<ApplyStatus> load(const QString &path = {});
    Result<> save(const QString &path = {}) const;
    std::optional<SettingReport> reportFor(Setting setting) const;
};

namespace StatusFile {

// $XDG_STATE_HOME/ampora, or ~/.local/state/ampora.
AMPORA_BASE_EXPORT QString amporaStateFolder();

// "ac" or "battery", as files and scripts read it.
AMPORA_BASE_EXPORT QString powerSourceName(PowerSource source);

} // namespace StatusFile
