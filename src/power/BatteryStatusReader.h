// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "SystemPowerStatus.h"

// Where the power state comes from. Reading never fails: a machine that reports no power supplies
// has no system battery and runs on mains.
class AMPORA_BASE_EXPORT BatteryStatusReader
{
public:
    virtual ~BatteryStatusReader() = default;

    virtual SystemPowerStatus read() const = 0;
};
