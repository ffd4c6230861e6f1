// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "ApplySetting.h"

#include <QList>
#include <QString>
#include <optional>

// What became of one setting when a plan was applied.
enum class Outcome {
    Applied,
    Approximated, // the desktop can only come close; detail says how
    FixedByDesktop, // the desktop does this one way, whatever the plan says
    NeedsResident, // only a running Ampora can do it
    NeedsAdministrator,
    NotOnThisMachine,
    NotOnThisDesktop,
    ChangedOutsideAmpora, // the user changed it in the desktop's own settings; left alone
    Failed,
};

struct SettingReport
{
    Setting setting = Setting::PowerButton;
    Outcome outcome = Outcome::Failed;
    QString detail; // a few words on why, or empty

    friend bool operator==(const SettingReport &, const SettingReport &) = default;
};

namespace Outcomes {

// "Applied", "Needs an administrator", ...: what the editor and ampctl show.
AMPORA_BASE_EXPORT QString outcomeText(Outcome outcome);
// "applied", "needs-administrator", ...: the stable name scripts read.
AMPORA_BASE_EXPORT QString outcomeName(Outcome outcome);
AMPORA_BASE_EXPORT std::optional<Outcome> outcomeFromName(const QString &name);

} // namespace Outcomes
