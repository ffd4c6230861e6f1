// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ExitCode.h"

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
    AmpctlOutput(QTextStream &out, QTextStream &err);

    bool json() const { return m_json; }
    void setJson(bool json) { m_json = json; }
    QTextStream &out() { return m_out; }

    // One line on stderr; returns code, which lastFailure() then tells.
    ExitCode fail(ExitCode code, const QString &message);
    ExitCode lastFailure() const { return m_failure; }
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
    ExitCode m_failure = ExitCode::Success;
};
