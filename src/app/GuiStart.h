// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InstanceLock.h"
#include "PlanSwitch.h"

#include <memory>

// What the quick start-up hands to the window module once it knows that the start needs more than
// a quiet plan switch. The shared paths and texts do not travel: both link the base library, so
// the module reads the sharedStrings() that the start-up filled.
struct GuiStart
{
    int &argc;
    char **argv;
    std::unique_ptr<InstanceLock> lock; // held by a first copy; not held in a later one
    bool setActivePlan = false; // the command line is a "-setactiveplan" form
    PlanSwitchOutcome outcome; // what the first copy's switch did
    bool windowless = false; // no display of its own: popups go to the desktop's notifications
};

// The module's one exported function; it returns the process's exit code.
using GuiEntryFunction = int (*)(GuiStart &start);
inline constexpr char kGuiEntryName[] = "ampora_gui_main";
