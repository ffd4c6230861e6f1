#pragma once

#include <QList>
#include <QString>
#include <QUuid>

// One power plan as the platform reports it.
struct PowerPlans
{
    QString planName;
    QString planDescription;
    QUuid planGuid;

    friend bool operator==(const PowerPlans &, const PowerPlans &) = default;
};

// Plans sorted by name (see LoadPowerPlans); list positions are what combo boxes and list rows
// refer to, so the order is part of the contract.
using PowerPlanList = QList<PowerPlans>;
