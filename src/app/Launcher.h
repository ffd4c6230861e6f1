// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct GuiStart;
class PowerPlatform;

// Start-up up to the point where a window is needed: shared paths, the single-copy lock and a
// quiet "-setactiveplan" switch need nothing beyond QtCore. Only a start that needs more loads
// the window module, so a scheduled switch never pays for loading the widget toolkit.
class Launcher
{
public:
    Launcher(int &argc, char **argv);

    // Always 0: scheduled tasks and scripts must never see a failure from a start.
    int run();

private:
    // A "-setactiveplan" start that switches in this process: the plan's values are applied
    // whether or not a window can announce the switch.
    int switchHere(GuiStart &start) const;
    // Through the appliers' library, loaded only when a bus or a desktop may take the values.
    void applyHere(const PowerPlatform &platform) const;
    int runWindowModule(GuiStart &start) const;

    int &m_argc;
    char **m_argv;
};
