// A process that repairs the scheme store over and over, for the tests to kill at any moment:
// puts the damaged bytes in place of the store (atomically, so a kill there leaves one or the
// other whole), has a fresh store read and repair it, and prints one line per repair.
//
//   store_repairer <store file> <damaged copy>
//
// Runs until killed; exit code 1 when a repair failed, 2 for a bad command line.

#include "AtomicFile.h"
#include "RegularFile.h"
#include "SchemeStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: store_repairer <store file> <damaged copy>\n", stderr);
        return 2;
    }
    const Result<QByteArray> damaged = RegularFile::read(args.at(2));
    if (!damaged)
        return 2;
    for (;;) {
        if (!AtomicFile::write(args.at(1), *damaged) || !SchemeStore(args.at(1)).schemes())
            return 1;
        std::puts("repaired");
        std::fflush(stdout);
    }
}
