#pragma once

#include "AmpctlCommands.h"

#include <QString>
#include <QTextStream>

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
