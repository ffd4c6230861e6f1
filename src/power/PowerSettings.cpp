// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerSettings.h"

#include <algorithm>
#include <array>

using PowerSettings::defaultPlans;
using PowerSettings::isSettingOffered;
using PowerSettings::powerSettingRows;

namespace PowerSettings {

namespace {

constexpr quint32 kDoNothing = 0;
constexpr quint32 kSleep = 1;
constexpr quint32 kShutDown = 3;
constexpr quint32 kLock = 1;
constexpr quint32 kNever = 0;
constexpr quint32 kPowerSaverProfile = 0;
constexpr quint32 kBalancedProfile = 1;
constexpr quint32 kPerformanceProfile = 2;

constexpr quint32 minutes(quint32 count)
{
    return count * 60;
}

// Columns: balanced, high performance, power saver; each {plugged in, on battery}. High
// performance keeps the machine awake on mains; power saver turns things off early.
constexpr std::array<PowerSettingRow, 11> kRows { {
    { u"IDS_POWER_BTN_PRESS", u"power-button", GUID_SYSTEM_BUTTON_SUBGROUP, GUID_POWERBUTTON_ACTION,
        SettingKind::Action, SettingCondition::PowerButton, { kShutDown, kSleep }, { kShutDown, kShutDown },
        { kSleep, kSleep } },
    { u"IDS_SLEEP_BTN_PRESS", u"sleep-button", GUID_SYSTEM_BUTTON_SUBGROUP, GUID_SLEEPBUTTON_ACTION,
        SettingKind::Action, SettingCondition::SleepButton, { kSleep, kSleep }, { kSleep, kSleep },
        { kSleep, kSleep } },
    { u"IDS_LID_CLOSE", u"lid", GUID_SYSTEM_BUTTON_SUBGROUP, GUID_LIDCLOSE_ACTION, SettingKind::Action,
        SettingCondition::Lid, { kSleep, kSleep }, { kDoNothing, kSleep }, { kSleep, kSleep } },
    { u"IDS_DISPLAY_DIM", u"dim", GUID_VIDEO_SUBGROUP, GUID_VIDEO_DIM_TIMEOUT, SettingKind::Timeout,
        SettingCondition::DisplayDimming, { minutes(5), minutes(2) }, { minutes(10), minutes(5) },
        { minutes(2), minutes(1) } },
    { u"IDS_DISPLAY_OFF", u"display-off", GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, SettingKind::Timeout,
        SettingCondition::Always, { minutes(10), minutes(5) }, { minutes(15), minutes(10) },
        { minutes(5), minutes(2) } },
    { u"IDS_HARDDISK_OFF", u"disk-off", GUID_DISK_SUBGROUP, GUID_DISK_POWERDOWN_TIMEOUT, SettingKind::Timeout,
        SettingCondition::Always, { minutes(20), minutes(10) }, { kNever, minutes(20) }, { minutes(10), minutes(5) } },
    { u"IDS_MAKE_SLEEP", u"sleep", GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT, SettingKind::Timeout,
        SettingCondition::Always, { minutes(30), minutes(15) }, { kNever, minutes(30) }, { minutes(15), minutes(10) } },
    { u"IDS_MAKE_HIBERNATE", u"hibernate", GUID_SLEEP_SUBGROUP, GUID_HIBERNATE_TIMEOUT, SettingKind::Timeout,
        SettingCondition::Always, { kNever, minutes(180) }, { kNever, kNever }, { minutes(180), minutes(60) } },
    { u"IDS_LOCK_ON_WAKEUP", u"lock-on-wake", NO_SUBGROUP_GUID, GUID_LOCK_CONSOLE_ON_WAKE, SettingKind::Lock,
        SettingCondition::Always, { kLock, kLock }, { kLock, kLock }, { kLock, kLock } },
    { u"IDS_BRIGHTNESS", u"brightness", GUID_VIDEO_SUBGROUP, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS,
        SettingKind::Brightness, SettingCondition::DisplayDimming, { 100, 70 }, { 100, 100 }, { 70, 40 } },
    { u"IDS_PERFORMANCE_PROFILE", u"performance-profile", NO_SUBGROUP_GUID, GUID_AMPORA_PERFORMANCE_PROFILE,
        SettingKind::Profile, SettingCondition::Always, { kBalancedProfile, kBalancedProfile },
        { kPerformanceProfile, kPerformanceProfile }, { kPowerSaverProfile, kPowerSaverProfile } },
} };

constexpr std::array<DefaultPlan, 3> kDefaultPlans { {
    { QUuid(0x381B4222, 0xF694, 0x41F0, 0x96, 0x85, 0xFF, 0x5B, 0xB2, 0x60, 0xDF, 0x2E), u"Balanced",
        u"Balances performance and energy use, adapting to what the machine is doing.", &PowerSettingRow::balanced },
    { QUuid(0x8C5E7FDA, 0xE8BF, 0x4A96, 0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C), u"High performance",
        u"Favours performance over energy savings; the machine stays awake longer.",
        &PowerSettingRow::highPerformance },
    { QUuid(0xA1841308, 0x3541, 0x4FAB, 0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A), u"Power saver",
        u"Saves energy by turning the display and the machine off sooner, at some cost to performance.",
        &PowerSettingRow::powerSaver },
} };

} // namespace

std::span<const PowerSettingRow> powerSettingRows()
{
    return kRows;
}

const PowerSettingRow *settingRow(const QUuid &subgroup, const QUuid &setting)
{
    const auto found = std::find_if(std::begin(kRows), std::end(kRows),
        [&](const PowerSettingRow &row) { return row.subgroup == subgroup && row.setting == setting; });
    return found == std::end(kRows) ? nullptr : &*found;
}

std::span<const DefaultPlan> defaultPlans()
{
    return kDefaultPlans;
}

bool isSettingOffered(const PowerSettingRow &row, const PlanCapabilities &capabilities)
{
    switch (row.condition) {
    case SettingCondition::Always:
        return true;
    case SettingCondition::PowerButton:
        return capabilities.powerButton;
    case SettingCondition::SleepButton:
        return capabilities.sleepButton;
    case SettingCondition::Lid:
        return capabilities.lid;
    case SettingCondition::DisplayDimming:
        return capabilities.displayDimming;
    }
    return false;
}

} // namespace PowerSettings
