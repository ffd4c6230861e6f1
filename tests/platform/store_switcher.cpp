// A second user of the scheme store, for the tests: switches the active plan back and forth and
// renames one plan at every step, the way another Ampora process would.
//
//   store_switcher <store file> <plan A> <plan B> <plan to rename> <name prefix> <steps>
//
//   store_switcher create <store file> <plan to copy> <name prefix> <count>
//
// creates count copies named "<prefix> <n>", as the plan editor and ampctl create them, printing n
// after each; the tests kill it at random moments.
//
// Exit code 0 when every change succeeded, 1 when one failed, 2 for a bad command line.

#include "Guid.h"
#include "PlanEditing.h"
#include "SchemeStore.h"

#include <QCoreApplication>
#include <cstdio>

using Guid::textToGuid;
using PlanEditing::createPlan;

namespace {

int create(const QStringList &args)
{
    const std::optional<QUuid> source = args.size() == 6 ? textToGuid(args.at(3)) : std::nullopt;
    if (!source) {
        std::fputs("usage: store_switcher create <store file> <plan to copy> <name prefix> <count>\n", stderr);
        return 2;
    }
    SchemeStore store(args.at(2));
    for (int n = 0; n < args.at(5).toInt(); ++n) {
        if (!createPlan(store, *source, args.at(4) + u' ' + QString::number(n))) {
            std::fprintf(stderr, "store_switcher: copy %d failed\n", n);
            return 1;
        }
        // Tells the test that the copies are under way.
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"create")
        return create(args);
    bool stepsOk = false;
    const int steps = args.size() == 7 ? args.at(6).toInt(&stepsOk) : 0;
    const std::optional<QUuid> first = stepsOk ? textToGuid(args.at(2)) : std::nullopt;
    const std::optional<QUuid> second = stepsOk ? textToGuid(args.at(3)) : std::nullopt;
    const std::optional<QUuid> renamed = stepsOk ? textToGuid(args.at(4)) : std::nullopt;
    if (!first || !second || !renamed) {
        std::fputs(
            "usage: store_switcher <store file> <plan A> <plan B> <plan to rename> <name prefix> <steps>\n", stderr);
        return 2;
    }
    SchemeStore store(args.at(1));
    for (int step = 0; step < steps; ++step) {
        const QString name = args.at(5) + u' ' + QString::number(step);
        if (!store.setActiveScheme(step % 2 == 0 ? *first : *second) || !store.writeFriendlyName(*renamed, name)) {
            std::fprintf(stderr, "store_switcher: step %d failed\n", step);
            return 1;
        }
    }
    return 0;
}
