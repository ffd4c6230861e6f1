// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <memory>

class PowerPlatform;
struct SharedStrings;

namespace PowerPlatformFactory {

// The one place where the plan store is chosen. The quick start-up, which needs only the plans,
// calls this alone, so that it links none of the other backends.
AMPORA_BASE_EXPORT std::unique_ptr<PowerPlatform> createPowerPlatform(const SharedStrings &strings);

} // namespace PowerPlatformFactory
