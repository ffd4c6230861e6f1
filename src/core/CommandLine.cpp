#include "CommandLine.h"

namespace {
const QString kSetActivePlan = QStringLiteral("-setactiveplan");
const QString kHideMe = QStringLiteral("-hideme");
} // namespace

QString JoinArguments(const QStringList &arguments)
{
    return arguments.join(u' ');
}

CommandLineForm ClassifyCommandLine(const QString &commandLine)
{
    if (commandLine.startsWith(kSetActivePlan))
        return CommandLineForm::SetActivePlan;
    if (commandLine == kHideMe)
        return CommandLineForm::HideMe;
    return CommandLineForm::Normal;
}

QString PlanGuidTextOf(const QString &commandLine)
{
    return commandLine.mid(16, 39);
}
