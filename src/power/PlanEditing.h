// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlan.h"
#include "PowerPlatform.h"
#include "Result.h"

#include <QStringView>

// Creating, naming and re-applying plans: the rules that the plan editor, ampctl and the scheme
// store share.

// Every plan made by the program carries this description.
inline constexpr QStringView kCreatedPlanDescription = u"Created using Ampora";

// Far beyond any real name or description; they keep a store of thousands of plans well inside
// the size a store may have.
inline constexpr qsizetype kMaxPlanNameLength = 256;
inline constexpr qsizetype kMaxPlanDescriptionLength = 2048;

enum class PlanNameCheck {
    Usable,
    Empty, // nothing but blanks
    LineBreak, // a line break or NUL, which no plan text can hold
    ControlCharacter, // a tab, an escape or another control character
    TooLong, // over kMaxPlanNameLength
    Taken, // another plan has the name, compared without regard to case
};

namespace PlanEditing {

// The name a plan keeps for what was typed or given: the blanks around it are not kept.
AMPORA_BASE_EXPORT QString planNameOf(const QString &typed);

// Whether a plan may take name (blanks around it do not count). The plan being renamed (except)
// does not count as taking it.
AMPORA_BASE_EXPORT PlanNameCheck checkPlanName(
    const PowerPlanList &plans, const QString &name, const QUuid &except = {});
// The same rule as a failure worded for a terminal: Invalid, or AlreadyExists naming the plan
// that has the name.
AMPORA_BASE_EXPORT Result<> refusePlanName(const PowerPlanList &plans, const QString &name, const QUuid &except = {});
// A description may be empty, but holds no line break or NUL and is at most
// kMaxPlanDescriptionLength long.
AMPORA_BASE_EXPORT Result<> refusePlanDescription(const QString &description);

// Copies source into a new plan named name with kCreatedPlanDescription and values, all in one
// change of the store, and returns its GUID. The name is checked against the other plans at the
// moment of the change; nothing is left behind when it is refused.
AMPORA_BASE_EXPORT Result<QUuid> createPlan(
    PowerPlatform &platform, const QUuid &source, const QString &name, const QList<SchemeChanges::Value> &values = {});

// Activates plan again when it is the active one, so that its changed values take effect. A plan
// that is not active is left alone; a failure means the active plan could not be read or set.
AMPORA_BASE_EXPORT Result<> activateAgainIfActive(PowerPlatform &platform, const QUuid &plan);

// Gives the three default plans their starting values again, in one change of the store: one that
// is there keeps its name and description, one that was deleted comes back under its own GUID,
// name and description (or "<name> (default)" when another plan has taken the name). The active
// plan is applied again when its values changed.
AMPORA_BASE_EXPORT Result<> restoreDefaultPlans(PowerPlatform &platform);

} // namespace PlanEditing
