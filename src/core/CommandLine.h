// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QString>
#include <QStringList>
#include <QUuid>

// The forms the program's command line can take. Comparisons are exact and case-sensitive:
// "-HIDEME" or "-hideme " is a normal start.
enum class CommandLineForm { SetActivePlan, HideMe, Normal };

namespace CommandLine {

// The arguments after the program path, joined by single blanks, so that a task's
// "-setactiveplan -{GUID}" reads the same whether it arrives as one argument or two.
AMPORA_BASE_EXPORT QString joinArguments(const QStringList &arguments);

AMPORA_BASE_EXPORT CommandLineForm classifyCommandLine(const QString &commandLine);

// The arguments that make a start switch to plan: "-setactiveplan -{GUID}", joined by a blank.
// What scheduled tasks run and what the hand-over between copies carries.
AMPORA_BASE_EXPORT QString setActivePlanArguments(const QUuid &plan);

// The plan GUID text of a "-setactiveplan" line: from position 16, at most 39 characters (the two
// characters after the keyword are not examined). A trailing blank therefore makes it 39 long and
// the strict parser rejects it.
AMPORA_BASE_EXPORT QString planGuidTextOf(const QString &commandLine);

} // namespace CommandLine
