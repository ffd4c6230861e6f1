// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class PowerPlatform;

// The appliers' library: what talks to the desktop and the daemons (D-Bus, GIO), in a shared
// library of its own that the window module and ampctl link and that the quick start-up loads
// only when a switched plan has somewhere to go. It exports one function for that start-up,
// which applies the active plan once as ApplierFactory::applyActivePlanOnce does.
namespace AppliersModule {

using ApplyActivePlanOnceFunction = void (*)(const PowerPlatform &platform);
inline constexpr char kFileName[] = "libampora-appliers.so";
inline constexpr char kApplyActivePlanOnceName[] = "ampora_apply_active_plan_once";

} // namespace AppliersModule
