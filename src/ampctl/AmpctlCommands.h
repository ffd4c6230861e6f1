#pragma once

#include "AmpctlOutput.h"
#include "ApplyCommands.h"
#include "NetworkSchedule.h"
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

class QCommandLineParser;
class QTextStream;

// The commands of ampctl, the terminal and script companion of Ampora. Plans, tasks and network
// schedules are read and written through the same code as the program's windows, so what ampctl
// writes is exactly what Ampora would.
class AmpctlCommands
{
public:
    using ExitCode = AmpctlOutput::ExitCode;
    using enum AmpctlOutput::ExitCode;

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

    // arguments come without the program name; the result is the exit status.
    int run(const QStringList &arguments);

    static QString helpText();

private:
    int list();
    int active();
    int set(const QString &plan);
    int schedules();
    int networks();
    int battery();
    int schedule(const QCommandLineParser &parser, const QStringList &values);
    int scheduleTime(const PowerPlanList &plans, const QString &kind, const QStringList &values);
    int scheduleNetwork(const PowerPlan &plan, const QString &network);
    int change(const QString &command, const QString &name);
    int changeNetworkSchedule(const QString &command, const QString &name);
    int planCommand(const QCommandLineParser &parser, const QString &command, const QStringList &values);

    ApplyCommands applying() { return ApplyCommands(m_services.platform, m_applyBackends, m_output); }
    // Every plan, or none after failing with SystemError when the store cannot be read.
    std::optional<PowerPlanList> loadPlans();
    std::optional<qsizetype> findPlan(const PowerPlanList &plans, const QString &text);
    QList<TimeSchedule> readTasks();
    int fail(ExitCode code, const QString &message) { return m_output.fail(code, message); }

    Services m_services;
    QString m_programPath;
    std::function<void()> m_networkSchedulesChanged;
    ApplyCommands::Backends m_applyBackends;
    AmpctlOutput m_output;
};
