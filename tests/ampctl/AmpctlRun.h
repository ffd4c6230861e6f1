// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmpctlCommands.h"
#include "ApplierFactory.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePlanApplier.h"
#include "FakePowerEvents.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTextStream>
#include <memory>

// What one ampctl run printed, and its exit status (-1: it did not end normally).
struct AmpctlRun
{
    int status = -1;
    QString out;
    QString err;

    QJsonValue json() const
    {
        const QJsonDocument document = QJsonDocument::fromJson(out.toUtf8());
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
};

// What ampctl applies plans through, in memory: one applier that takes every setting but disk
// spin-down (left to the coordinator, which says it needs an administrator), and a power source
// the test flips. made counts how often a command asked for them.
struct FakeApplyBackends
{
    FakeApplyBackends()
    {
        QList<Setting> handled = ApplySetting::allSettings();
        handled.removeOne(Setting::DiskOff);
        auto fake = std::make_unique<FakePlanApplier>(handled);
        applier = fake.get();
        std::vector<std::unique_ptr<PlanApplier>> appliers;
        appliers.push_back(std::move(fake));
        auto powerEvents = std::make_unique<FakePowerEvents>();
        events = powerEvents.get();
        backends.events = std::move(powerEvents);
        backends.coordinator = std::make_unique<ApplyCoordinator>(std::move(appliers), std::nullopt);
    }

    ApplyCommands::Backends seam()
    {
        return [this]() -> ApplyBackends & {
            ++made;
            return backends;
        };
    }

    ApplyBackends backends;
    FakePlanApplier *applier = nullptr;
    FakePowerEvents *events = nullptr;
    int made = 0;
};

// What the machine has: every button, a lid, dimming and a battery; a power button only; or
// capabilities that cannot be read.
enum class Machine { Laptop, Desktop, Unreadable };

// ampctl's commands in the test's own process, on in-memory plans, tasks, networks, battery and
// appliers.
struct AmpctlBench
{
    AmpctlRun run(const QStringList &arguments)
    {
        FakeCapabilityReader capabilities;
        if (machine == Machine::Laptop)
            capabilities.capabilities = { true, true, true, true, true };
        else if (machine == Machine::Desktop)
            capabilities.capabilities.powerButton = true;
        else
            capabilities.errorCode = 2;
        AmpctlRun run;
        QTextStream out(&run.out);
        QTextStream err(&run.err);
        AmpctlCommands commands(
            { { fakePlatform, tasks, networks, battery, capabilities }, QStringLiteral("/opt/ampora/bin/ampora"),
                [this] { ++networkNotices; }, appliers.seam() },
            out, err);
        run.status = static_cast<int>(commands.run(arguments));
        out.flush();
        err.flush();
        return run;
    }

    // What a command that must succeed prints with --json.
    QJsonValue json(const QStringList &arguments)
    {
        const AmpctlRun outcome = run(QStringList { QStringLiteral("--json") } + arguments);
        if (outcome.status != 0)
            qWarning("%s", qPrintable(outcome.err));
        return outcome.json();
    }

    FakePowerPlatform fakePlatform;
    FakeTaskService tasks;
    FakeNetworkList networks;
    FakeBatteryStatusReader battery;
    FakeApplyBackends appliers;
    Machine machine = Machine::Laptop;
    int networkNotices = 0;
};

// The ampctl program of this build, started with arguments in the test's environment and extra.
inline std::unique_ptr<QProcess> startAmpctlBinary(const QStringList &arguments, const QStringList &extra = {})
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : extra) // NAME=value
        environment.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    process->setProcessEnvironment(environment);
    process->start(qEnvironmentVariable("AMPORA_BUILD_DIR") + QStringLiteral("/ampctl"), arguments);
    return process;
}

inline AmpctlRun finishAmpctlBinary(QProcess &process)
{
    AmpctlRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline AmpctlRun runAmpctlBinary(const QStringList &arguments, const QStringList &extra = {})
{
    return finishAmpctlBinary(*startAmpctlBinary(arguments, extra));
}
