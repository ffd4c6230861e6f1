#pragma once

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
    enum ExitCode {
        Success = 0,
        SystemError = 1, // a file, the plan store or the task folder refused; the program is missing
        UsageError = 2, // unknown command or option, wrong arguments, a bad date, time or day list
        NotFound = 3, // no such plan, schedule or network, or a name that fits more than one
        Duplicate = 4, // the network has a schedule already
        TimeSkipped = 5, // the --once time is one the local clock skips (a daylight-saving gap)
    };

    struct Context
    {
        Services services;
        QString programPath; // the program tasks start; empty when not found
        std::function<void()> networkSchedulesChanged; // tells a running window
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

    std::optional<qsizetype> findPlan(const PowerPlanList &plans, const QString &text);
    QList<TimeSchedule> readTasks();
    int fail(ExitCode code, const QString &message);
    void print(const QJsonValue &json);
    // JSON with --json, else an aligned table.
    void printListing(const QJsonArray &json, const QList<QStringList> &rows);
    void printTable(const QList<QStringList> &rows);

    Services m_services;
    QString m_programPath;
    std::function<void()> m_networkSchedulesChanged;
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_json = false;
    int m_failure = Success;
};
