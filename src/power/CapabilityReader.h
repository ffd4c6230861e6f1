// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerSettings.h"
#include "Result.h"

// Which settings this machine has (see PlanCapabilities). Reading fails only when the machine's
// devices cannot be listed at all; the failure's message is then the text the plan editor shows.
class AMPORA_BASE_EXPORT CapabilityReader
{
public:
    virtual ~CapabilityReader() = default;

    virtual Result<PlanCapabilities> read() const = 0;
};

namespace Capabilities {

// "Failed to read the power capabilities." with the system's error code (an errno value).
AMPORA_BASE_EXPORT Failure capabilitiesFailure(int errorCode);

} // namespace Capabilities
