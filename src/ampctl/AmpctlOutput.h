#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

class QTextStream;

// Where every ampctl command writes: results on stdout (JSON with --json, else text), and each
// error as exactly one line on stderr, so scripts can rely on both.
class AmpctlOutput
{
public:
    enum ExitCode {
        Success = 0,
        SystemError = 1, // a file, the plan store or the task folder refused; the program is missing
        UsageError = 2, // unknown command or option, wrong arguments, a bad date, time, day list or value
        NotFound = 3, // no such plan, schedule or network, or a name that fits more than one
        Duplicate = 4, // the network has a schedule already; another plan has the name
        TimeSkipped = 5, // the --once time is one the local clock skips (a daylight-saving gap)
        InUse = 6, // the plan is active or a schedule uses it
        NotOffered = 7, // this machine has no such setting, or no battery for an on-battery value
    };

    AmpctlOutput(QTextStream &out, QTextStream &err);

    bool json() const { return m_json; }
    void setJson(bool json) { m_json = json; }
    QTextStream &out() { return m_out; }

    // One line on stderr; returns code, which lastFailure() then tells.
    int fail(ExitCode code, const QString &message);
    int lastFailure() const { return m_failure; }
    // One line on stderr about something that does not stop the command.
    void warn(const QString &message);

    void print(const QJsonValue &json);
    // JSON with --json, else an aligned table.
    void printListing(const QJsonValue &json, const QList<QStringList> &rows);
    void printTable(const QList<QStringList> &rows);

    // Names come from outside (a Wi-Fi name is chosen by whoever runs the access point): a
    // control character must neither colour the terminal nor split a row.
    static QString terminalSafe(const QString &text);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_json = false;
    int m_failure = Success;
};
