// SPDX-License-Identifier: GPL-3.0-or-later
// Another Ampora process using the network schedule file, for the tests. Plans come from a real
// scheme store in the data folder.
//
//   network_schedule_client <data folder> add <first> <count>
//       adds a Balanced schedule for each network first..first+count-1 and disables every even
//       one right after; every fifth step also adds and removes a schedule for network n + 100000
//   network_schedule_client <data folder> list <rounds>
//       lists the schedules again and again, checking that every listing is well formed and that
//       no schedule below 100000, once seen, goes missing
//
// Exit code 0 when everything succeeded, 1 with a line on stderr when not, 2 for a bad command line.

#include "NetworkScheduleFile.h"
#include "ScheduleTestSupport.h"
#include "SchemeStore.h"
#include "SharedStrings.h"

#include <QCoreApplication>
#include <QSet>
#include <cstdio>

using Program::sharedStrings;

namespace {

const QUuid kBalanced = QUuid::fromString(u"{381B4222-F694-41F0-9685-FF5BB260DF2E}");
constexpr int kScratch = 100000;

int complain(const QString &what)
{
    std::fprintf(stderr, "network_schedule_client: %s\n", qPrintable(what));
    return 1;
}

int add(const SchemeStore &store, int first, int count)
{
    const PowerPlan balanced { QStringLiteral("Balanced"), {}, kBalanced };
    for (int n = first; n < first + count; ++n) {
        const NetworkList::Network network { QStringLiteral("Network %1").arg(n), numberedNetwork(n), false };
        if (const auto saved = saveNetworkSchedule(store, network, balanced); !saved)
            return complain(QStringLiteral("adding %1: %2").arg(n).arg(saved.failure().message));
        if (n % 2 == 0) {
            if (const auto disabled = setNetworkScheduleEnabled(store, network.guid, false); !disabled)
                return complain(QStringLiteral("disabling %1: %2").arg(n).arg(disabled.failure().message));
        }
        if (n % 5 == 0) {
            const NetworkList::Network scratch { QStringLiteral("Scratch"), numberedNetwork(n + kScratch), false };
            if (const auto saved = saveNetworkSchedule(store, scratch, balanced); !saved)
                return complain(QStringLiteral("adding scratch %1: %2").arg(n).arg(saved.failure().message));
            if (const auto removed = removeNetworkSchedule(store, scratch.guid); !removed)
                return complain(QStringLiteral("removing scratch %1: %2").arg(n).arg(removed.failure().message));
        }
    }
    return 0;
}

int list(const SchemeStore &store, int rounds)
{
    QSet<QUuid> seen;
    for (int round = 0; round < rounds; ++round) {
        QSet<QUuid> listed;
        for (const NetworkSchedule &schedule : readNetworkSchedules(store)) {
            if (listed.contains(schedule.networkGuid))
                return complain(QStringLiteral("%1 listed twice").arg(schedule.networkGuid.toString()));
            if (schedule.planGuid != kBalanced || schedule.planName.isEmpty())
                return complain(QStringLiteral("%1 listed with a wrong plan").arg(schedule.networkGuid.toString()));
            listed.insert(schedule.networkGuid);
            if (schedule.networkName != u"Scratch")
                seen.insert(schedule.networkGuid);
        }
        for (const QUuid &network : std::as_const(seen)) {
            if (!listed.contains(network))
                return complain(QStringLiteral("%1 was listed and then lost").arg(network.toString()));
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(2);
    if (!((mode == u"add" && args.size() == 5) || (mode == u"list" && args.size() == 4))) {
        std::fputs("usage: network_schedule_client <data folder> add <first> <count> | list <rounds>\n", stderr);
        return 2;
    }
    SharedStrings &strings = sharedStrings();
    strings.dataFolder = args.at(1);
    strings.networkFile = strings.dataFolder + QStringLiteral("/AmporaNetworkInfo.ini");
    strings.schemeStoreFile = strings.dataFolder + QStringLiteral("/schemes.ini");
    const SchemeStore store(strings.schemeStoreFile);
    return mode == u"add" ? add(store, args.at(3).toInt(), args.at(4).toInt()) : list(store, args.at(3).toInt());
}
