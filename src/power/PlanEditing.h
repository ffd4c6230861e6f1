#pragma once

#include "PowerPlan.h"
#include "PowerPlatform.h"
#include "Result.h"

#include <QStringView>

// Creating, naming and re-applying plans: the rules that the plan editor and ampctl share.

// Every plan made by the program carries this description.
inline constexpr QStringView kCreatedPlanDescription = u"Created using Ampora";

enum class PlanNameCheck {
    Usable,
    Empty,
    Taken, // another plan has the name, compared without regard to case
};

// Whether a plan may take name. The plan being renamed (except) does not count as taking it.
PlanNameCheck checkPlanName(const PowerPlanList &plans, const QString &name, const QUuid &except = {});

// Copies source into a new plan named name with kCreatedPlanDescription and returns its GUID. A
// name or description the store refuses leaves no copy behind; the new plan is not activated.
Result<QUuid> createPlan(PowerPlatform &platform, const QUuid &source, const QString &name);

// Activates plan again when it is the active one, so that its changed values take effect. A plan
// that is not active is left alone; a failure means the active plan could not be read or set.
Result<> activateAgainIfActive(PowerPlatform &platform, const QUuid &plan);
