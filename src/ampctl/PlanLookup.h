// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerPlan.h"
#include "Result.h"

// The plan a command line names: by its exact name or by its GUID in braces. A name that several
// plans have fits none of them (NotFound, asking for the GUID); the failure's message is the line
// ampctl prints.
Result<qsizetype> findPlanByText(const PowerPlanList &plans, const QString &text);
