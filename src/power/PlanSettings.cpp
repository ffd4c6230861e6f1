// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanSettings.h"

#include <algorithm>

using PlanSettings::readPlanSettings;
using PlanSettings::shownValue;
using PlanSettings::storedValue;
using PlanSettings::storedValues;
using PlanSettings::writePlanSettings;
using PowerSettings::isSettingOffered;
using PowerSettings::powerSettingRows;

namespace PlanSettings {

namespace {

constexpr int kSecondsPerMinute = 60;

int listCount(SettingKind kind)
{
    switch (kind) {
    case SettingKind::Lock:
        return kLockCount;
    case SettingKind::Profile:
        return kProfileCount;
    default:
        return kActionCount;
    }
}

} // namespace

ShownValue shownValue(SettingKind kind, quint32 stored)
{
    // Timeouts and brightness are taken as signed 32-bit numbers, so the unreadable -1 shows as
    // 0; the controls then hold the result within their ranges.
    const qint32 signedValue = static_cast<qint32>(stored);
    ShownValue shown;
    switch (kind) {
    case SettingKind::Action:
    case SettingKind::Lock:
    case SettingKind::Profile:
        if (stored < static_cast<quint32>(listCount(kind)))
            shown.selection = static_cast<int>(stored);
        break;
    case SettingKind::Timeout:
        // Signed division rounds toward zero: 90 s shows as 1 minute.
        shown.number = std::clamp(signedValue / kSecondsPerMinute, 0, kMaxTimeoutMinutes);
        break;
    case SettingKind::Brightness:
        shown.number = std::clamp(signedValue, 0, kMaxBrightness);
        break;
    }
    return shown;
}

quint32 storedValue(SettingKind kind, const ShownValue &shown)
{
    switch (kind) {
    case SettingKind::Action:
    case SettingKind::Lock:
    case SettingKind::Profile:
        // A list with no selection writes what it holds, the -1 of no selection.
        if (!shown.selection || *shown.selection < 0 || *shown.selection >= listCount(kind))
            return kUnreadableValue;
        return static_cast<quint32>(*shown.selection);
    case SettingKind::Timeout:
        return static_cast<quint32>(std::clamp(shown.number, 0, kMaxTimeoutMinutes)) * kSecondsPerMinute;
    case SettingKind::Brightness:
        return static_cast<quint32>(std::clamp(shown.number, 0, kMaxBrightness));
    }
    return kUnreadableValue;
}

QList<PlanSettingValue> readPlanSettings(
    const PowerPlatform &platform, const QUuid &scheme, const PlanCapabilities &capabilities)
{
    QList<PowerSource> sources { PowerSource::Ac };
    if (capabilities.batteries)
        sources.append(PowerSource::Dc);

    QList<PlanSettingValue> values;
    for (const PowerSettingRow &row : powerSettingRows()) {
        if (!isSettingOffered(row, capabilities))
            continue;
        for (const PowerSource source : sources) {
            const quint32 stored
                = platform.valueIndex(source, scheme, row.subgroup, row.setting).valueOr(kUnreadableValue);
            values.append(PlanSettingValue { &row, source, shownValue(row.kind, stored) });
        }
    }
    return values;
}

QList<SchemeChanges::Value> storedValues(const QList<PlanSettingValue> &values)
{
    QList<SchemeChanges::Value> stored;
    stored.reserve(values.size());
    for (const PlanSettingValue &value : values) {
        stored.append(SchemeChanges::Value {
            value.source, value.row->subgroup, value.row->setting, storedValue(value.row->kind, value.shown) });
    }
    return stored;
}

Result<> writePlanSettings(PowerPlatform &platform, const QUuid &scheme, const QList<PlanSettingValue> &values)
{
    SchemeChanges changes;
    changes.plans.append({ scheme, std::nullopt, std::nullopt, std::nullopt, storedValues(values) });
    return platform.changeSchemes(changes);
}

} // namespace PlanSettings
