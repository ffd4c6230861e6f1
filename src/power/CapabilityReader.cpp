#include "CapabilityReader.h"

Failure capabilitiesFailure(int errorCode)
{
    return failed(QStringLiteral("Failed to read the power capabilities.\nError code: %1").arg(errorCode));
}
