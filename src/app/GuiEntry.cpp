// SPDX-License-Identifier: GPL-3.0-or-later
// The window module's entry: everything that needs the widget toolkit starts here.
#include "Application.h"
#include "GuiStart.h"

extern "C" Q_DECL_EXPORT int ampora_gui_main(GuiStart &start)
{
    return Application(start).run();
}
