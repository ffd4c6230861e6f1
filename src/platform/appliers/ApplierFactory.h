// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "AppliedLedger.h"
#include "ApplyCoordinator.h"
#include "PowerEvents.h"

#include <memory>

// What makes plans take effect on this session, chosen in this one place: the desktop's own
// settings (Plasma, GNOME, Xfce, MATE or Cinnamon, by the power manager that owns its bus name or
// by what the session says it is), then power-profiles-daemon for the performance profile, then
// logind for brightness. Where no desktop power manager runs, the running copy applies what logind
// and X11 allow itself (ResidentApplier); any other copy reports that it needs the running one. Members are declared in
// the order they depend on each other, so they are destroyed in the right one.
struct ApplyBackends
{
    std::unique_ptr<AppliedLedger> ledger;
    std::unique_ptr<PowerEvents> events;
    std::unique_ptr<ApplyCoordinator> coordinator;
};

namespace ApplierFactory {

// running: for the running copy (the tray copy), which keeps Ampora's own applier alive.
AMPORA_BASE_EXPORT ApplyBackends createApplyBackends(bool running = false);

// A copy that switched a plan and ends: applies the active plan once, as an activation, and
// writes the desktop's settings out before returning.
AMPORA_BASE_EXPORT void applyActivePlanOnce(const PowerPlatform &platform);

} // namespace ApplierFactory
