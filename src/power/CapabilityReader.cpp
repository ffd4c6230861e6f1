#include "CapabilityReader.h"

#include <cerrno>

namespace {

class UnavailableCapabilityReader : public CapabilityReader
{
public:
    Result<PlanCapabilities> read() const override { return capabilitiesFailure(ENOSYS); }
};

} // namespace

const CapabilityReader &CapabilityReader::unavailable()
{
    static const UnavailableCapabilityReader reader;
    return reader;
}

Failure capabilitiesFailure(int errorCode)
{
    return failed(QStringLiteral("Failed to read the power capabilities.\r\nError code: %1").arg(errorCode));
}
