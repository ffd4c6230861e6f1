#pragma once

#include "ApplierFactory.h"
#include "ApplyCommands.h"
#include "FakePlanApplier.h"
#include "FakePowerEvents.h"

// What ampctl applies plans through, in memory: one applier that takes every setting but disk
// spin-down (left to the coordinator, which says it needs an administrator), and a power source
// the test flips. made counts how often a command asked for them.
struct FakeApplyBackends
{
    FakeApplyBackends()
    {
        QList<Setting> handled = ApplySetting::allSettings();
        handled.removeOne(Setting::DiskOff);
        auto fake = std::make_unique<FakePlanApplier>(handled);
        applier = fake.get();
        std::vector<std::unique_ptr<PlanApplier>> appliers;
        appliers.push_back(std::move(fake));
        auto powerEvents = std::make_unique<FakePowerEvents>();
        events = powerEvents.get();
        backends.events = std::move(powerEvents);
        backends.coordinator = std::make_unique<ApplyCoordinator>(std::move(appliers), std::nullopt);
    }

    ApplyCommands::Backends seam()
    {
        return [this]() -> ApplyBackends & {
            ++made;
            return backends;
        };
    }

    ApplyBackends backends;
    FakePlanApplier *applier = nullptr;
    FakePowerEvents *events = nullptr;
    int made = 0;
};
