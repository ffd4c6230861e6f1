// SPDX-License-Identifier: GPL-3.0-or-later
// Another Ampora process writing settings, for the tests.
//
//   settings_writer <data folder> <settings file> <key prefix> <count>
//
// Writes <prefix><n>=<n> for n from 0 to count - 1. Exit code 0 when every write succeeded, 1
// with a line on stderr when one failed, 2 for a bad command line.

#include "Profile.h"
#include "SharedStrings.h"

#include <QCoreApplication>
#include <cstdio>

using Profile::writeSetting;
using Program::sharedStrings;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool countOk = false;
    const int count = args.size() == 5 ? args.at(4).toInt(&countOk) : 0;
    if (!countOk) {
        std::fputs("usage: settings_writer <data folder> <settings file> <key prefix> <count>\n", stderr);
        return 2;
    }
    sharedStrings().dataFolder = args.at(1);
    sharedStrings().settingsFile = args.at(2);
    for (int n = 0; n < count; ++n) {
        if (const Result<> written = writeSetting(args.at(3) + QString::number(n), QString::number(n)); !written) {
            std::fprintf(stderr, "settings_writer: %s\n", qPrintable(written.failure().message));
            return 1;
        }
    }
    return 0;
}
