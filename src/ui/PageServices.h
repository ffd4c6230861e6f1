// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

class CommandActions;
class PlanFollower;
class PleaseWaitDialog;

// What pages read and show, owned by the main window and outliving every page. Reloads read the
// platform, the tasks and the network file on a worker thread.
struct PageServices : Services
{
    PleaseWaitDialog *pleaseWait = nullptr; // shown while a page reloads; none in some tests
    // What became of the active plan's values on this machine; none in a window that applies
    // nothing (tests).
    PlanFollower *follower = nullptr;
    // The window's commands, which the frame carries out; a page made alone has its own.
    CommandActions *commands = nullptr;
};
