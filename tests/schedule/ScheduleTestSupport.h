// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RegisteredTask.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

// The English day, kind and joining texts the schedule tests read back.
inline QByteArray scheduleLanguageFile()
{
    return "[Ampora]\n"
           "IDS_RUN_ONCE=Once\nIDS_RUN_DAILY=Daily\nIDS_RUN_WEEKLY=Weekly\n"
           "IDS_SUNDAY=Sun\nIDS_MONDAY=Mon\nIDS_TUESDAY=Tue\nIDS_WEDNESDAY=Wed\n"
           "IDS_THURSDAY=Thu\nIDS_FRIDAY=Fri\nIDS_SATURDAY=Sat\n"
           "IDS_AND=and \nIDS_ON=on\n";
}

// A task as the plan task writer would register it, with the parts a test wants to vary.
inline RegisteredTask planTask(const QString &name, TaskDefinition::TriggerType type, const QString &boundary,
    const QString &arguments, int days = 0)
{
    TaskDefinition definition;
    definition.triggers.append({ type, QStringLiteral("Trigger1"), boundary, days, 0 });
    definition.actions.append({ TaskDefinition::ActionType::Exec, QStringLiteral("/usr/bin/ampora"), arguments });
    return RegisteredTask { name, true, definition };
}

inline QString planArguments(const QUuid &plan)
{
    return QStringLiteral("-setactiveplan -") + plan.toString(QUuid::WithBraces).toUpper();
}

// The GUID of test network n, shared by the tests and their helper processes.
inline QUuid numberedNetwork(int n)
{
    return QUuid::fromString(QStringLiteral("{5F2B7C10-0D1E-4C7A-9E55-%1}").arg(n, 12, 10, QChar(u'0')));
}
