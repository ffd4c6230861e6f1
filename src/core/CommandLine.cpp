// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "Guid.h"

using CommandLine::classifyCommandLine;
using CommandLine::joinArguments;
using CommandLine::planGuidTextOf;
using CommandLine::setActivePlanArguments;
using Guid::guidToText;

namespace CommandLine {

namespace {
const QString kSetActivePlan = QStringLiteral("-setactiveplan");
const QString kHideMe = QStringLiteral("-hideme");
} // namespace

QString joinArguments(const QStringList &arguments)
{
    return arguments.join(u' ');
}

CommandLineForm classifyCommandLine(const QString &commandLine)
{
    if (commandLine.startsWith(kSetActivePlan))
        return CommandLineForm::SetActivePlan;
    if (commandLine == kHideMe)
        return CommandLineForm::HideMe;
    return CommandLineForm::Normal;
}

QString setActivePlanArguments(const QUuid &plan)
{
    return kSetActivePlan + QStringLiteral(" -") + guidToText(plan);
}

QString planGuidTextOf(const QString &commandLine)
{
    return commandLine.mid(16, 39);
}

} // namespace CommandLine
