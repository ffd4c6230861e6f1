// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QString>

namespace UserReport {

// The one way the programs tell a person something on a terminal: the line goes straight to
// stderr, followed by a line break. Qt's logging is not used for this because its rules can hide a
// line and QT_FATAL_WARNINGS turns it into an abort, possibly half-way through a repair.
AMPORA_BASE_EXPORT void reportToUser(const QString &line);

} // namespace UserReport
