// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TaskDefinition.h"

#include <QString>
#include <optional>

// One task of the task folder as a task service reports it.
struct RegisteredTask
{
    QString name;
    bool enabled = true;
    std::optional<TaskDefinition> definition; // empty when the task's definition cannot be read
    // Why a task this program wrote cannot be taken as written (a file changed by hand, a bad
    // byte, a missing unit); empty for a sound task and for tasks of other programs. Such a task
    // is still the program's: it is listed, and it can be disabled and removed.
    QString damage = {};

    friend bool operator==(const RegisteredTask &, const RegisteredTask &) = default;
};
