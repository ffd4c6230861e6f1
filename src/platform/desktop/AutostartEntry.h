// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"
#include "UnitFile.h"

#include <QString>
#include <optional>

// A logon-triggered task as an XDG autostart entry: Exec= runs the program, the trigger's delay
// is the desktops' autostart delay (X-GNOME-Autostart-Delay and the like) and enabled is
// X-GNOME-Autostart-enabled. X-Ampora-Task=true tells the program's entries from other programs'
// and the rest of the definition is kept in X-Ampora-... keys.
class AutostartEntry
{
public:
    // Nothing when the definition is not one logon trigger and one program start, or the
    // command line cannot be carried by an entry.
    static std::optional<QString> compose(const TaskDefinition &definition);
    static bool isTask(const UnitFile &entry);
    static bool isEnabled(const UnitFile &entry);
    static void setEnabled(UnitFile &entry, bool enabled);
    static TaskDefinition decompose(const UnitFile &entry);
};
