// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanLookup.h"

#include "Guid.h"
#include "PlanCatalogue.h"

using Guid::textToGuid;
using PlanCatalogue::findPlan;

using namespace Qt::Literals::StringLiterals;

Result<qsizetype> findPlanByText(const PowerPlanList &plans, const QString &text)
{
    if (const std::optional<QUuid> guid = textToGuid(text)) {
        if (const std::optional<qsizetype> index = findPlan(plans, *guid))
            return *index;
        return notFound(u"no power plan %1; see ampctl list"_s.arg(text));
    }
    QList<qsizetype> matches;
    for (qsizetype i = 0; i < plans.size(); ++i) {
        if (plans.at(i).planName == text)
            matches.append(i);
    }
    if (matches.size() == 1)
        return matches.first();
    if (matches.isEmpty())
        return notFound(u"no power plan named \"%1\"; see ampctl list"_s.arg(text));
    return notFound(u"%1 power plans are named \"%2\"; use the GUID"_s.arg(matches.size()).arg(text));
}
