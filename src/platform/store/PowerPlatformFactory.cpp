// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerPlatformFactory.h"

#include "SchemeStore.h"
#include "SharedStrings.h"

using PowerPlatformFactory::createPowerPlatform;

namespace PowerPlatformFactory {

std::unique_ptr<PowerPlatform> createPowerPlatform(const SharedStrings &strings)
{
    return std::make_unique<SchemeStore>(strings.schemeStoreFile, SystemPlans::systemFiles());
}

} // namespace PowerPlatformFactory
