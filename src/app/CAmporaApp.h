#pragma once

#include <QStringList>

// Start-up: shared paths, one copy per user, the command line, and the main window. A start that
// only switches the plan quietly never loads the widget toolkit, so scheduled switches are cheap.
class CAmporaApp
{
public:
    CAmporaApp(int &argc, char **argv);

    // Always 0: scheduled tasks and scripts must never see a failure from a start.
    int run();

private:
    int runFirstCopy();
    int runWindow(bool setActivePlan, bool announce, const QString &planName);
    void handOverToRunningCopy() const;

    int &m_argc;
    char **m_argv;
};

// A display to draw on: X11, Wayland, or a platform plugin chosen explicitly (offscreen tests).
bool HasGraphicalSession();
