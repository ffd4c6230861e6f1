// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for bench_switch: a process that only constructs a QCoreApplication and ends.
#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return 0;
}
