// SPDX-License-Identifier: GPL-3.0-or-later
// loadPowerPlans over a scheme store of 1,000 plans, median of 21 runs each:
//  - cold: a fresh SchemeStore object per run, so the file is read and parsed every time;
//  - warm: one SchemeStore whose parsed copy stays valid between runs.
// Also times one change (switching the active plan) on that store, lock and atomic replace included.

#include "BenchSupport.h"
#include "PlanCatalogue.h"
#include "SchemeStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

using PlanCatalogue::loadPowerPlans;

namespace {

constexpr int kPlans = 1000;
constexpr int kRuns = 21;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("schemes.ini"));
    const QList<QUuid> schemes = buildSchemeStore(path, kPlans);

    qsizetype loaded = 0;
    const double cold = medianMs(kRuns, [&] {
        SchemeStore store(path);
        loaded = loadPowerPlans(store).value().size();
    });
    SchemeStore warmStore(path);
    (void)loadPowerPlans(warmStore);
    const double warm = medianMs(kRuns, [&] { loaded = loadPowerPlans(warmStore).value().size(); });
    if (loaded != kPlans)
        qFatal("loaded %lld plans instead of %d", static_cast<long long>(loaded), kPlans);

    int next = 0;
    const double change = medianMs(kRuns, [&] { (void)warmStore.setActiveScheme(schemes.at(++next % 2)); });

    std::printf("loadPowerPlans over %d plans: median %.1f ms (cold), %.1f ms (warm)\n", kPlans, cold, warm);
    std::printf("Switching the active plan in that store: median %.1f ms\n", change);
    return 0;
}
