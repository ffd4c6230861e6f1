// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingReport.h"

#include <array>

using Outcomes::outcomeFromName;
using Outcomes::outcomeName;
using Outcomes::outcomeText;

namespace Outcomes {

namespace {

struct OutcomeNames
{
    Outcome outcome;
    const char16_t *name;
    const char16_t *text;
};

constexpr std::array<OutcomeNames, 9> kOutcomes { {
    { Outcome::Applied, u"applied", u"Applied" },
    { Outcome::Approximated, u"approximated", u"Approximated" },
    { Outcome::FixedByDesktop, u"fixed-by-desktop", u"Fixed by the desktop" },
    { Outcome::NeedsResident, u"needs-ampora-running", u"Needs Ampora running" },
    { Outcome::NeedsAdministrator, u"needs-administrator", u"Needs an administrator" },
    { Outcome::NotOnThisMachine, u"not-on-this-machine", u"Not on this machine" },
    { Outcome::NotOnThisDesktop, u"not-on-this-desktop", u"Not on this desktop" },
    { Outcome::ChangedOutsideAmpora, u"changed-outside-ampora", u"Changed outside Ampora" },
    { Outcome::Failed, u"failed", u"Failed" },
} };

const OutcomeNames &namesOf(Outcome outcome)
{
    return kOutcomes.at(static_cast<std::size_t>(outcome));
}

} // namespace

QString outcomeText(Outcome outcome)
{
    return QString::fromUtf16(namesOf(outcome).text);
}

QString outcomeName(Outcome outcome)
{
    return QString::fromUtf16(namesOf(outcome).name);
}

std::optional<Outcome> outcomeFromName(const QString &name)
{
    for (const OutcomeNames &names : kOutcomes) {
        if (name == QString::fromUtf16(names.name))
            return names.outcome;
    }
    return std::nullopt;
}

} // namespace Outcomes
