// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmpctlOutput.h"
#include "ApplyCommands.h"
#include "NetworkSchedule.h"
#include "PlanCommands.h"
#include "PowerPlan.h"
#include "Services.h"
#include "TimeSchedule.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QTextStream;

// The commands of ampctl, the terminal and script companion of Ampora. Plans, tasks and network
// schedules are read and written through the same code as the program's windows, so what ampctl
// writes is exactly what Ampora would. Which commands there are, their arguments and help, is the
// command table's (AmpctlCommandTable.h); run() parses a command line by it, and each entry calls
// one of the commands below.
class AmpctlCommands
{
public:
    using enum ExitCode;

    struct Context
    {
        Services services;
        QString programPath; // the program tasks start; empty when not found
        std::function<void()> networkSchedulesChanged; // tells a running window
        // What applies plans and tells the power source, made on the first call: commands that
        // only read never reach D-Bus.
        ApplyCommands::Backends applyBackends;
    };

    AmpctlCommands(Context context, QTextStream &out, QTextStream &err);

    // arguments come without the program name. "--complete WORDS..." (the shell completion's
    // question, not in --help) prints the candidates for the last word, one a line.
    ExitCode run(const QStringList &arguments);

    ExitCode list();
    ExitCode active();
    ExitCode set(const QString &plan);
    ExitCode schedules();
    ExitCode networks();
    ExitCode battery();
    // kind: once, daily, weekly, network, on-mains, on-battery, battery-below or after-wake;
    // values: the plan, then what the kind takes. mainsOnly and wake: conditions of a time-based
    // schedule.
    ExitCode schedule(const QString &kind, const QStringList &values, bool mainsOnly = false, bool wake = false);
    // command: enable, disable or remove.
    ExitCode change(const QString &command, const QString &name);
    ApplyCommands applying() { return ApplyCommands(m_services.platform, m_applyBackends, m_output); }
    PlanCommands plans();

private:
    ExitCode scheduleTime(
        const PowerPlanList &plans, const QString &kind, const QStringList &values, bool mainsOnly, bool wake);
    ExitCode schedulePower(const PowerPlanList &plans, const QString &kind, const QStringList &values);
    ExitCode scheduleNetwork(const PowerPlan &plan, const QString &network);
    ExitCode changeNetworkSchedule(const QString &command, const QString &name);
    void complete(const QStringList &words);

    // Every plan, or none after failing with SystemError when the store cannot be read.
    std::optional<PowerPlanList> loadPlans();
    std::optional<qsizetype> findPlan(const PowerPlanList &plans, const QString &text);
    QList<TimeSchedule> readTasks();
    ExitCode fail(ExitCode code, const QString &message) { return m_output.fail(code, message); }

    Services m_services;
    QString m_programPath;
    std::function<void()> m_networkSchedulesChanged;
    ApplyCommands::Backends m_applyBackends;
    AmpctlOutput m_output;
};
