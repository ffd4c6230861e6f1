#pragma once

#include <QStringList>

struct GuiStart;

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
    int runWindowModule(GuiStart &start) const;

    int &m_argc;
    char **m_argv;
};

// A display to draw on: X11, Wayland, or a platform plugin chosen explicitly (offscreen tests).
bool HasGraphicalSession();

// Where the window module is looked for: beside the program (build tree, portable copy), then in
// the installed library folder relative to it.
QStringList GuiModuleCandidates(const QString &executableFolder);
