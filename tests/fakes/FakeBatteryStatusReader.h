// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryStatusReader.h"

// A power state that tests set directly.
class FakeBatteryStatusReader : public BatteryStatusReader
{
public:
    SystemPowerStatus read() const override { return status; }

    SystemPowerStatus status;
};
