#pragma once

#include "BatteryStatusReader.h"

// A power state that tests set directly.
class FakeBatteryStatusReader : public BatteryStatusReader
{
public:
    SystemPowerStatus read() const override { return status; }

    SystemPowerStatus status;
};
