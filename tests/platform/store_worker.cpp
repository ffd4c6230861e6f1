// SPDX-License-Identifier: GPL-3.0-or-later
// A second user of the scheme store, for the tests, working the way another Ampora process would:
//
//   store_worker switch <store> <plan A> <plan B> <plan to rename> <prefix> <steps>
//     switches the active plan back and forth and renames one plan at every step;
//   store_worker create <store> <plan to copy> <prefix> <count>
//     creates copies named "<prefix> <n>", as the plan editor and ampctl create them;
//   store_worker watch <store> <plan>
//     reads the plan's section straight from the file, again and again, until its name is "Done":
//     a name "Save <n>" must come with every value n. Prints a line once it has read the file,
//     and what was wrong when a version mixes two saves;
//   store_worker repair <store> <damaged copy>
//     puts the damaged bytes in place of the store (atomically, so a kill there leaves one or the
//     other whole) and has a fresh store read and repair it, until killed.
//
// create and repair print a line after each step, so that the tests can kill them at a random
// moment of the next. Exit code 0 when every step succeeded, 1 when one failed, 2 for a bad
// command line.

#include "AtomicFile.h"
#include "Guid.h"
#include "IniFile.h"
#include "PlanEditing.h"
#include "RegularFile.h"
#include "SchemeStore.h"
#include "UserReport.h"

#include <QCoreApplication>
#include <cstdio>

using Guid::textToGuid;
using PlanEditing::createPlan;
using UserReport::reportToUser;

namespace {

bool stepDone(bool ok)
{
    if (ok) {
        std::puts("done");
        std::fflush(stdout);
    }
    return ok;
}

int watchPlan(const QString &path, const QString &section)
{
    bool told = false;
    for (;;) {
        const IniFile ini = IniFile::load(path);
        const QString name = ini.value(section, QStringLiteral("Name"));
        if (!told)
            told = stepDone(true);
        if (name == u"Done")
            return 0;
        const QString save = name.section(u' ', 1);
        for (const QString &key : ini.keys(section)) {
            const bool value
                = key.startsWith(u"AC/", Qt::CaseInsensitive) || key.startsWith(u"DC/", Qt::CaseInsensitive);
            if (value && ini.value(section, key) != save) {
                reportToUser(QStringLiteral("%1 came with %2=%3").arg(name, key, ini.value(section, key)));
                return 1;
            }
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    const QString path = args.value(2);
    const auto plan = [&](int i) { return textToGuid(args.value(i)).value_or(QUuid()); };
    const auto name = [&](int prefix, int n) -> QString { return args.at(prefix) + u' ' + QString::number(n); };
    if (mode == u"switch" && args.size() == 8) {
        SchemeStore store(path);
        for (int n = 0; n < args.at(7).toInt(); ++n) {
            if (!store.setActiveScheme(plan(n % 2 == 0 ? 3 : 4)) || !store.writeFriendlyName(plan(5), name(6, n)))
                return 1;
        }
        return 0;
    }
    if (mode == u"create" && args.size() == 6) {
        SchemeStore store(path);
        for (int n = 0; n < args.at(5).toInt(); ++n) {
            if (!stepDone(bool(createPlan(store, plan(3), name(4, n)))))
                return 1;
        }
        return 0;
    }
    if (mode == u"watch" && args.size() == 4)
        return watchPlan(path, args.at(3));
    if (mode == u"repair" && args.size() == 4) {
        const Result<QByteArray> damaged = RegularFile::read(args.at(3));
        while (damaged) {
            if (!stepDone(AtomicFile::write(path, *damaged) && SchemeStore(path).schemes()))
                return 1;
        }
    }
    reportToUser(QStringLiteral("usage: store_worker switch|create|watch|repair <store> ... (see its source)"));
    return 2;
}
