// loadPowerPlans over a scheme store of 1,000 plans, median of 21 runs each:
//  - cold: a fresh SchemeStore object per run, so the file is read and parsed every time;
//  - warm: one SchemeStore whose parsed copy stays valid between runs.
// Also times one change (switching the active plan) on that store, lock and atomic replace included.

#include "Guid.h"
#include "IniFile.h"
#include "PlanCatalogue.h"
#include "SchemeStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kPlans = 1000;
constexpr int kRuns = 21;

// The default plans plus copies of the first one under shuffled names, written in one go.
QList<QUuid> buildStore(const QString &path)
{
    QList<QUuid> schemes;
    {
        const SchemeStore seeder(path);
        schemes = seeder.schemes().valueOr({});
    }
    IniFile ini = IniFile::load(path);
    const QString source = guidToText(schemes.first());
    const QStringList keys = ini.keys(source);
    QRandomGenerator names(1000);
    while (schemes.size() < kPlans) {
        const QUuid scheme = QUuid::createUuid();
        const QString section = guidToText(scheme);
        for (const QString &key : keys)
            ini.setValue(section, key, ini.value(source, key));
        ini.setValue(section, QStringLiteral("Name"), QStringLiteral("Plan %1").arg(names.bounded(1000000)));
        schemes.append(scheme);
    }
    if (!ini.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return schemes;
}

double medianMs(const std::function<void()> &run)
{
    QList<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(kRuns / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("schemes.ini"));
    const QList<QUuid> schemes = buildStore(path);

    qsizetype loaded = 0;
    const double cold = medianMs([&] {
        SchemeStore store(path);
        loaded = loadPowerPlans(store).size();
    });
    SchemeStore warmStore(path);
    loadPowerPlans(warmStore);
    const double warm = medianMs([&] { loaded = loadPowerPlans(warmStore).size(); });
    if (loaded != kPlans)
        qFatal("loaded %lld plans instead of %d", static_cast<long long>(loaded), kPlans);

    int next = 0;
    const double change = medianMs([&] { (void)warmStore.setActiveScheme(schemes.at(++next % 2)); });

    std::printf("loadPowerPlans over %d plans: median %.1f ms (cold), %.1f ms (warm)\n", kPlans, cold, warm);
    std::printf("Switching the active plan in that store: median %.1f ms\n", change);
    return 0;
}
