// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QStringView>
#include <QUuid>
#include <span>

// The eleven settings the plan editor shows, with the platform's subgroup and setting GUIDs. Every
// value is a 32-bit value index per power source (AC = plugged in, DC = on battery).

// clang-format off
inline constexpr QUuid GUID_SYSTEM_BUTTON_SUBGROUP{0x4F971E89, 0xEEBD, 0x4455, 0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47};
inline constexpr QUuid GUID_POWERBUTTON_ACTION{0x7648EFA3, 0xDD9C, 0x4E3E, 0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80};
inline constexpr QUuid GUID_SLEEPBUTTON_ACTION{0x96996BC0, 0xAD50, 0x47EC, 0x92, 0x3B, 0x6F, 0x41, 0x87, 0x4D, 0xD9, 0xEB};
inline constexpr QUuid GUID_LIDCLOSE_ACTION{0x5CA83367, 0x6E45, 0x459F, 0xA2, 0x7B, 0x47, 0x6B, 0x1D, 0x01, 0xC9, 0x36};
inline constexpr QUuid GUID_VIDEO_SUBGROUP{0x7516B95F, 0xF776, 0x4464, 0x8C, 0x53, 0x06, 0x16, 0x7F, 0x40, 0xCC, 0x99};
inline constexpr QUuid GUID_VIDEO_DIM_TIMEOUT{0x17AAA29B, 0x8B43, 0x4B94, 0xAA, 0xFE, 0x35, 0xF6, 0x4D, 0xAA, 0xF1, 0xEE};
inline constexpr QUuid GUID_VIDEO_POWERDOWN_TIMEOUT{0x3C0BC021, 0xC8A8, 0x4E07, 0xA9, 0x73, 0x6B, 0x14, 0xCB, 0xCB, 0x2B, 0x7E};
inline constexpr QUuid GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS{0xADED5E82, 0xB909, 0x4619, 0x99, 0x49, 0xF5, 0xD7, 0x1D, 0xAC, 0x0B, 0xCB};
inline constexpr QUuid GUID_DISK_SUBGROUP{0x0012EE47, 0x9041, 0x4B5D, 0x9B, 0x77, 0x53, 0x5F, 0xBA, 0x8B, 0x14, 0x42};
inline constexpr QUuid GUID_DISK_POWERDOWN_TIMEOUT{0x6738E2C4, 0xE8A5, 0x4A42, 0xB1, 0x6A, 0xE0, 0x40, 0xE7, 0x69, 0x75, 0x6E};
inline constexpr QUuid GUID_SLEEP_SUBGROUP{0x238C9FA8, 0x0AAD, 0x41ED, 0x83, 0xF4, 0x97, 0xBE, 0x24, 0x2C, 0x8F, 0x20};
inline constexpr QUuid GUID_STANDBY_TIMEOUT{0x29F6C1DB, 0x86DA, 0x48C5, 0x9F, 0xDB, 0xF2, 0xB6, 0x7B, 0x1F, 0x44, 0xDA};
inline constexpr QUuid GUID_HIBERNATE_TIMEOUT{0x9D7815A6, 0x7EE4, 0x497E, 0x88, 0x88, 0x51, 0x5A, 0x05, 0xF0, 0x23, 0x64};
inline constexpr QUuid NO_SUBGROUP_GUID{0xFEA3413E, 0x7E05, 0x4911, 0x9A, 0x71, 0x70, 0x03, 0x31, 0xF1, 0xC2, 0x94};
inline constexpr QUuid GUID_LOCK_CONSOLE_ON_WAKE{0x0E796BDB, 0x100D, 0x47D6, 0xA2, 0xD5, 0xF7, 0xD2, 0xDA, 0xA5, 0x1F, 0x51};
// Ampora's own: the performance profile (power-profiles-daemon) has no platform GUID.
inline constexpr QUuid GUID_AMPORA_PERFORMANCE_PROFILE{0x5D3E7C1A, 0x86B2, 0x4F0E, 0x9C, 0x4D, 0x2B, 0x71, 0xE0, 0x5A, 0x93, 0x6F};
// clang-format on

// How a stored value index is shown: an action list index (do nothing, sleep, hibernate, shut
// down), seconds with 0 meaning never, a lock list index (unlock, lock), percent, or a
// performance profile list index (power saver, balanced, performance).
enum class SettingKind { Action, Timeout, Lock, Brightness, Profile };

// The hardware capability a row depends on.
enum class SettingCondition { Always, PowerButton, SleepButton, Lid, DisplayDimming };

// What the machine has; decides which rows exist and whether rows carry a battery value.
struct PlanCapabilities
{
    bool powerButton = false;
    bool sleepButton = false;
    bool lid = false;
    bool batteries = false;
    bool displayDimming = false;
};

struct SeedValues
{
    quint32 ac = 0;
    quint32 dc = 0;
};

struct PowerSettingRow
{
    QStringView labelKey;
    QStringView name; // the short name scripts use: "power-button", "display-off", ...
    QUuid subgroup;
    QUuid setting;
    SettingKind kind;
    SettingCondition condition;
    // The values the three default plans start with.
    SeedValues balanced;
    SeedValues highPerformance;
    SeedValues powerSaver;
};

// One of the plans a new store starts with; values picks its column of the table.
struct DefaultPlan
{
    QUuid guid;
    QStringView name;
    QStringView description;
    SeedValues PowerSettingRow::*values;
};

namespace PowerSettings {

// The rows in display order, which is also the order values are read and written in.
AMPORA_BASE_EXPORT std::span<const PowerSettingRow> powerSettingRows();
// The row of a setting, or none.
const PowerSettingRow *settingRow(const QUuid &subgroup, const QUuid &setting);

// Balanced (active in a new store), High performance, Power saver, in creation order.
AMPORA_BASE_EXPORT std::span<const DefaultPlan> defaultPlans();

AMPORA_BASE_EXPORT bool isSettingOffered(const PowerSettingRow &row, const PlanCapabilities &capabilities);

} // namespace PowerSettings
