#include "SystemctlRunner.h"

#include <QProcess>

bool SystemctlRunner::run(const QStringList &arguments) const
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("systemctl"),
        QStringList { QStringLiteral("--user"), QStringLiteral("--no-ask-password") } + arguments);
    if (!process.waitForStarted(m_timeoutMs))
        return false;
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(m_timeoutMs);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
