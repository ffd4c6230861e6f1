#pragma once

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

// "Applied", "Needs an administrator", ...: what the editor and ampctl show.
QString outcomeText(Outcome outcome);
// "applied", "needs-administrator", ...: the stable name scripts read.
QString outcomeName(Outcome outcome);
std::optional<Outcome> outcomeFromName(const QString &name);
