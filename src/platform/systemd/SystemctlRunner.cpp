// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemctlRunner.h"

#include <QProcess>

Result<> SystemctlRunner::run(const QStringList &arguments) const
{
    return Result<>::from(execute(arguments, false));
}

Result<QString> SystemctlRunner::read(const QStringList &arguments) const
{
    return execute(arguments, true);
}

Result<QString> SystemctlRunner::execute(const QStringList &arguments, bool keepOutput) const
{
    const QString command = QStringLiteral("systemctl --user ") + arguments.join(u' ');
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (!keepOutput) {
        process.setStandardOutputFile(QProcess::nullDevice());
    } else {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral("systemctl"),
        QStringList { QStringLiteral("--user"), QStringLiteral("--no-ask-password") } + arguments);
    if (!process.waitForStarted(m_timeoutMs))
        return failed(QStringLiteral("%1 could not be started: %2").arg(command, process.errorString()));
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(m_timeoutMs);
        return failed(QStringLiteral("%1 did not end within %2 s").arg(command).arg(m_timeoutMs / 1000));
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return failed(QStringLiteral("%1 crashed").arg(command));
    if (process.exitCode() == 0)
        return keepOutput ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
    // systemctl's first line says why; what follows points to the logs.
    const QStringList said = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    if (said.isEmpty())
        return failed(QStringLiteral("%1 exited with status %2").arg(command).arg(process.exitCode()));
    return failed(QStringLiteral("%1: %2").arg(command, said.constFirst().trimmed()));
}
