// SPDX-License-Identifier: GPL-3.0-or-later
#include "CapabilityReader.h"

using Capabilities::capabilitiesFailure;

namespace Capabilities {

Failure capabilitiesFailure(int errorCode)
{
    return failed(QStringLiteral("Failed to read the power capabilities.\nError code: %1").arg(errorCode));
}

} // namespace Capabilities
