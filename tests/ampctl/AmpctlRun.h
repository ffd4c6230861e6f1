#pragma once

#include "AmpctlCommands.h"

#include <QProcess>
#include <QString>
#include <QTextStream>
#include <memory>
#include <vector>

// What one ampctl command run in the test's own process printed, and its exit status.
struct AmpctlRun
{
    int status = -1;
    QString out;
    QString err;
};

inline AmpctlRun runAmpctl(AmpctlCommands::Context context, const QStringList &arguments)
{
    AmpctlRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    AmpctlCommands commands(std::move(context), out, err);
    run.status = commands.run(arguments);
    out.flush();
    err.flush();
    return run;
}

// The ampctl program of this build, started with arguments in the test's environment.
inline std::unique_ptr<QProcess> startAmpctlBinary(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
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

inline AmpctlRun runAmpctlBinary(const QStringList &arguments)
{
    return finishAmpctlBinary(*startAmpctlBinary(arguments));
}
