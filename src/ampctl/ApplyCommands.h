// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmpctlOutput.h"
#include "ApplyStatus.h"
#include "Result.h"

#include <QString>
#include <functional>
#include <optional>

struct ApplyBackends;
class PowerPlatform;

// ampctl's commands that make the active plan take effect and tell what became of it: apply,
// status, and the applying that set and set-value do after a change. The appliers are asked for
// only here, so commands that merely read plans never reach D-Bus.
class ApplyCommands
{
public:
    using Backends = std::function<ApplyBackends &()>;

    ApplyCommands(const PowerPlatform &platform, Backends backends, AmpctlOutput &output);

    ExitCode apply();
    // apply --disk: applies as apply does, then sets the disks' spin-down time through UDisks,
    // which asks for an administrator's password; says what became of it on each drive.
    ExitCode applyToDisks();
    ExitCode status();
    // After the active plan or its values changed: the switch itself succeeded, so what could
    // not be applied is one warning line; only a record of what was written that could not be
    // kept fails the command.
    ExitCode applyChanged();

private:
    // Applies the active plan as an activation and writes the desktop's settings out, as the
    // process ends soon after; fails when the active plan cannot be read.
    Result<ApplyStatus> applyNow();
    ExitCode finishApply(const ApplyStatus &status);
    void warnAboutProblems(const ApplyStatus &status);
    // Records the disks' outcome in the status the window and status show.
    void recordDiskReport(ApplyStatus status, const SettingReport &report);
    void printStatus(
        const QUuid &plan, const QString &name, PowerSource source, const std::optional<ApplyStatus> &last);

    const PowerPlatform &m_platform;
    Backends m_backends;
    AmpctlOutput &m_output;
};
