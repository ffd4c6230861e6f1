// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"
#include "UnitFile.h"

#include <QString>
#include <optional>

// A time-triggered task as a pair of systemd user units: N.timer holds the trigger (OnCalendar=,
// Persistent= for "start when available", WakeSystem= for "wake to run"), N.service runs the
// program once (Type=oneshot, ExecStart=, ConditionACPower= for "not on batteries",
// ConditionFileIsExecutable= so that a removed program is skipped, not failed). The rest of the
// definition is kept in X-Ampora-... keys, so decompose(compose(d)) == d.
class TimerUnits
{
public:
    struct Texts
    {
        QString timer;
        QString service;
    };

    // Nothing when the definition is not one once, daily or weekly trigger and one program start
    // with an absolute path, or when the trigger cannot be expressed (see CalendarTrigger).
    static std::optional<Texts> compose(const QString &name, const TaskDefinition &definition);
    // Whether a timer or service carries the mark this class writes (X-Ampora-Task=true).
    static bool isTask(const UnitFile &unit);
    // A missing service gives a definition without actions; lines this class did not write give
    // a definition without triggers.
    static TaskDefinition decompose(const UnitFile &timer, const std::optional<UnitFile> &service);
};
