// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlan.h"
#include "PowerPlatform.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

namespace PlanCatalogue {

// Rebuilds the plan list from the platform, sorted by name (ordinal, case-sensitive; see
// exchangeSort). A scheme whose name or description cannot be read is left out; a store that
// cannot be read is a failure, never an empty list.
AMPORA_BASE_EXPORT Result<PowerPlanList> loadPowerPlans(const PowerPlatform &platform);

// The classic exchange pass used for plan and schedule lists: for every i, for every j, swap when
// item i sorts before item j. Equal names are never swapped. Kept as is because list positions
// (and so the order of equal names) are visible to the user.
template <typename T, typename NameOf> void exchangeSort(QList<T> &items, NameOf nameOf)
{
    // The pass is quadratic, so it runs on small integers: each item's rank among the names
    // (equal names share a rank), moved together with the item's position. The order of equal
    // names comes out exactly as the pass on the names themselves would leave it.
    const qsizetype n = items.size();
    const auto nameLess = [&](qsizetype a, qsizetype b) {
        return QString::compare(nameOf(items.at(a)), nameOf(items.at(b)), Qt::CaseSensitive) < 0;
    };
    std::vector<qsizetype> byName(static_cast<size_t>(n));
    std::iota(byName.begin(), byName.end(), qsizetype(0));
    std::stable_sort(byName.begin(), byName.end(), nameLess);
    std::vector<std::pair<qsizetype, qsizetype>> entries(static_cast<size_t>(n)); // (rank, original position)
    qsizetype rank = 0;
    for (size_t k = 0; k < byName.size(); ++k) {
        if (k > 0 && nameLess(byName[k - 1], byName[k]))
            ++rank;
        entries[size_t(byName[k])] = { rank, byName[k] };
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        for (size_t j = 0; j < entries.size(); ++j) {
            if (entries[i].first < entries[j].first)
                std::swap(entries[i], entries[j]);
        }
    }
    QList<T> sorted;
    sorted.reserve(n);
    for (const auto &entry : entries)
        sorted.append(items.at(entry.second));
    items = std::move(sorted);
}

// Position of the plan in list.
AMPORA_BASE_EXPORT std::optional<qsizetype> findPlan(const PowerPlanList &list, const QUuid &guid);

} // namespace PlanCatalogue
