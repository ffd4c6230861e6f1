#pragma once

#include <memory>

class PowerPlatform;
struct SharedStrings;

// The one place where the real backends are chosen. Tests construct fakes directly instead.
std::unique_ptr<PowerPlatform> CreatePowerPlatform(const SharedStrings &strings);
