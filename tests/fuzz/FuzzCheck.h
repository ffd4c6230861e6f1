// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UserReport.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// libFuzzer's entry point, which every harness defines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// A property the harness checks on every input: when it does not hold, the input is a finding.
// Aborting makes libFuzzer keep the input and the corpus driver fail.
inline void fuzzCheck(bool holds, const char *what)
{
    if (holds)
        return;
    UserReport::reportToUser(QStringLiteral("fuzz check failed: ") + QString::fromUtf8(what));
    std::abort();
}
