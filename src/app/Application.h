// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct GuiStart;

// The windowed part of start-up: hands a later copy's request to the running copy, or builds the
// main window of the first copy and runs it.
class Application
{
public:
    explicit Application(GuiStart &start);

    // Always 0: scheduled tasks and scripts must never see a failure from a start.
    int run();

private:
    int runFirstCopy();
    void handOverToRunningCopy() const;

    GuiStart &m_start;
};
