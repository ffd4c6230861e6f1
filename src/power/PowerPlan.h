// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QUuid>

// One power plan as the platform reports it.
struct PowerPlan
{
    QString planName;
    QString planDescription;
    QUuid planGuid;

    friend bool operator==(const PowerPlan &, const PowerPlan &) = default;
};

// Plans sorted by name (see loadPowerPlans); list positions are what combo boxes and list rows
// refer to, so the order is part of the contract.
using PowerPlanList = QList<PowerPlan>;
