// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "AppliedLedger.h"
#include "PlanApplier.h"
#include "PowerSettings.h"

#include <memory>
#include <optional>
#include <vector>

// Gives each setting to the first applier that handles it (the desktop's, then the performance
// profile daemon, then Ampora's own) and reports one outcome per setting, in setting order. A
// setting the machine lacks is not on this machine; one that no applier takes is not on this
// desktop, except what only an administrator may change.
class AMPORA_BASE_EXPORT ApplyCoordinator
{
public:
    // capabilities: what the machine has; none when it could not be read (nothing is then
    // reported as missing from the machine). ledger, when given, is written out after each apply.
    ApplyCoordinator(std::vector<std::unique_ptr<PlanApplier>> appliers, std::optional<PlanCapabilities> capabilities,
        AppliedLedger *ledger = nullptr);
    ~ApplyCoordinator();

    QList<SettingReport> apply(const ApplyRequest &request);
    // Why the latest apply could not record what it wrote (the ledger's file), or empty.
    QString recordFailure() const { return m_recordFailure; }
    // The appliers that handle something on this session.
    QStringList applierNames() const;
    void release();

private:
    PlanApplier *applierFor(Setting setting) const;
    std::optional<SettingReport> reportWithoutApplier(Setting setting) const;

    std::vector<std::unique_ptr<PlanApplier>> m_appliers;
    std::optional<PlanCapabilities> m_capabilities;
    AppliedLedger *m_ledger;
    QString m_recordFailure;
};
