// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CapabilityReader.h"

// Capabilities that tests set directly; errorCode set makes reading fail with it.
class FakeCapabilityReader : public CapabilityReader
{
public:
    Result<PlanCapabilities> read() const override
    {
        if (errorCode)
            return Capabilities::capabilitiesFailure(*errorCode);
        return capabilities;
    }

    PlanCapabilities capabilities;
    std::optional<int> errorCode;
};
