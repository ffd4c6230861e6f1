// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlatform.h"
#include "PowerSettings.h"
#include "Result.h"

#include <QList>
#include <QUuid>
#include <optional>

// How the plan editor shows a stored value index and turns what it shows back into one, and the
// walk that reads or writes all of a plan's values.

// A value that could not be read is taken as -1, all bits set. It shows as no list selection, 0
// minutes (never) or brightness 0, and is what a list with no selection writes back.
inline constexpr quint32 kUnreadableValue = 0xFFFFFFFF;

// Entries of the action list (do nothing, sleep, hibernate, shut down), the lock list (unlock,
// lock) and the profile list; a stored value is the entry's index.
inline constexpr int kActionCount = 4;
inline constexpr int kLockCount = 2;
// The performance profile list: power saver, balanced, performance.
inline constexpr int kProfileCount = 3;

// The minutes spin box's range; 0 shows "never".
inline constexpr int kMaxTimeoutMinutes = 30'000'000;
inline constexpr int kMaxBrightness = 100;

// What one row's control holds for one power source.
struct ShownValue
{
    // Action and lock lists: the selected entry; none when the stored value names no entry.
    std::optional<int> selection;
    // Timeouts: whole minutes (0: never). Brightness: the slider's position in percent.
    int number = 0;

    friend bool operator==(const ShownValue &, const ShownValue &) = default;
};

namespace PlanSettings {

AMPORA_BASE_EXPORT ShownValue shownValue(SettingKind kind, quint32 stored);
AMPORA_BASE_EXPORT quint32 storedValue(SettingKind kind, const ShownValue &shown);

} // namespace PlanSettings

// One value of a plan as its row's control shows it.
struct PlanSettingValue
{
    const PowerSettingRow *row = nullptr;
    PowerSource source = PowerSource::Ac;
    ShownValue shown;
};

namespace PlanSettings {

// Every offered row in table order, each with its mains value and then, when the machine has
// batteries, its battery value. A value that cannot be read shows as kUnreadableValue does.
AMPORA_BASE_EXPORT QList<PlanSettingValue> readPlanSettings(
    const PowerPlatform &platform, const QUuid &scheme, const PlanCapabilities &capabilities);

// The values as the store keeps them, for one change of the store.
AMPORA_BASE_EXPORT QList<SchemeChanges::Value> storedValues(const QList<PlanSettingValue> &values);

// Writes the values back in one change of the store: all of them or, on failure, none.
AMPORA_BASE_EXPORT Result<> writePlanSettings(
    PowerPlatform &platform, const QUuid &scheme, const QList<PlanSettingValue> &values);

} // namespace PlanSettings
