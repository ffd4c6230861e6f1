#include "PowerPlatformFactory.h"

#include "SchemeStore.h"
#include "SharedStrings.h"

std::unique_ptr<PowerPlatform> createPowerPlatform(const SharedStrings &strings)
{
    return std::make_unique<SchemeStore>(strings.schemeStoreFile);
}
