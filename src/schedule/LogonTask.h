// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QString>

class TaskService;

// The task that starts the program when the user logs on, 180 seconds after logon, hidden with
// "-hideme" or normally with no argument.
inline const QString kLogonTaskName = QStringLiteral("VantaAmporaStartup");

// Replaces any task of that name with a logon task starting programPath with arguments.
Result<> createLogonTask(
    TaskService &service, const QString &programPath, const QString &name, const QString &arguments);
Result<> deleteLogonTask(TaskService &service, const QString &name);
