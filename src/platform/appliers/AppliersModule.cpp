// SPDX-License-Identifier: GPL-3.0-or-later
// The appliers' library's entry for the quick start-up, which loads the library at run time.
#include "AppliersModule.h"

#include "ApplierFactory.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT void ampora_apply_active_plan_once(const PowerPlatform &platform)
{
    ApplierFactory::applyActivePlanOnce(platform);
}

static_assert(std::is_same_v<decltype(&ampora_apply_active_plan_once), AppliersModule::ApplyActivePlanOnceFunction>);
