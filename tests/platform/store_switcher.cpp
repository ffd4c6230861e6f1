// A second user of the scheme store, for the tests: switches the active plan back and forth and
// renames one plan at every step, the way another Ampora process would.
//
//   store_switcher <store file> <plan A> <plan B> <plan to rename> <name prefix> <steps>
//
// Exit code 0 when every change succeeded, 1 when one failed, 2 for a bad command line.

#include "Guid.h"
#include "SchemeStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
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
