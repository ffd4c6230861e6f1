// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUuid>
#include <optional>

class PowerPlatform;
class QWidget;

// The plan list's commands that carry plans in and out through plan files (see PlanFile), and
// the one that gives the default plans their values back. Each asks through a file dialog or a
// question, says a failure in a message box and changes the store at most once.
namespace PlanTransfer {

void exportPlan(QWidget *owner, const PowerPlatform &platform, const QUuid &plan);
// The plan added, under the file's name or, when that is taken, the first of "<name> (2)",
// "<name> (3)"... that is free; none when nothing was imported.
std::optional<QUuid> importPlan(QWidget *owner, PowerPlatform &platform);
void restoreDefaultPlans(QWidget *owner, PowerPlatform &platform);

// Test hook: the next file dialog is not shown; it answers path (empty: cancelled).
void setNextFileAnswer(const QString &path);

} // namespace PlanTransfer
