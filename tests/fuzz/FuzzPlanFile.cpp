// SPDX-License-Identifier: GPL-3.0-or-later
// Plan files as anyone may write them: whatever the reader takes without a problem, the writer
// writes as a file that reads back to the same plan. The same bytes as an administrator's
// system-wide plan file: read or refused, every plan it gives has a name.
#include "FuzzCheck.h"
#include "PlanFile.h"
#include "SystemPlans.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const Result<SystemPlans> system = SystemPlans::parse(bytes)) {
        for (const SystemPlans::Plan &plan : system->plans())
            fuzzCheck(!plan.name.isEmpty(), "a system-wide plan without a name was read");
    }
    const PlanFile read = PlanFile::parse(bytes);
    if (!read.problems().isEmpty())
        return 0;
    const QByteArray written = read.toBytes();
    const PlanFile again = PlanFile::parse(written);
    fuzzCheck(again.problems().isEmpty(), "a written plan file does not read back");
    fuzzCheck(again.toBytes() == written, "a plan file read back as another plan");
    return 0;
}
