// Apart from the other services: the quick start-up links this alone, and must not pull in the
// D-Bus and scheduling backends.
#include "PlatformServices.h"
#include "SchemeStore.h"
#include "SharedStrings.h"

std::unique_ptr<PowerPlatform> createPowerPlatform(const SharedStrings &strings)
{
    return std::make_unique<SchemeStore>(strings.schemeStoreFile);
}
