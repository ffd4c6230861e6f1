// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include "Guid.h"
#include "IniFile.h"
#include "SchemeStore.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>

using Guid::guidToText;

QList<QUuid> buildSchemeStore(const QString &path, int plans)
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
    while (schemes.size() < plans) {
        const QUuid scheme = QUuid::createUuid();
        const QString section = guidToText(scheme);
        // Copies of keys the document holds, and a plain name: never refused.
        for (const QString &key : keys)
            (void)ini.setValue(section, key, ini.value(source, key));
        (void)ini.setValue(section, QStringLiteral("Name"), QStringLiteral("Plan %1").arg(names.bounded(1000000)));
        schemes.append(scheme);
    }
    if (!ini.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return schemes;
}

double medianMs(int runs, const std::function<void()> &run)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(runs / 2);
}
