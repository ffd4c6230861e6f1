#pragma once

#include <memory>

class PowerPlatform;
struct SharedStrings;

// The one place where the plan store is chosen. The quick start-up, which needs only the plans,
// calls this alone, so that it links none of the other backends.
std::unique_ptr<PowerPlatform> createPowerPlatform(const SharedStrings &strings);
