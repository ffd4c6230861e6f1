// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlatform.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <array>
#include <optional>

// The eleven values of a plan as the appliers see them, in the order of powerSettingRows(). Values
// are value indexes as the store keeps them: actions 0 do nothing, 1 sleep, 2 hibernate, 3 shut
// down; timeouts in seconds, 0 never; lock 0 off, 1 on; brightness in percent; performance profile
// 0 power saver, 1 balanced, 2 performance.
enum class Setting {
    PowerButton,
    SleepButton,
    Lid,
    Dim,
    DisplayOff,
    DiskOff,
    SleepIdle,
    HibernateIdle,
    LockOnWake,
    Brightness,
    PerformanceProfile,
};
inline constexpr int kSettingCount = 11;

struct PowerSettingRow;

namespace ApplySetting {

AMPORA_BASE_EXPORT QList<Setting> allSettings();
// The row of powerSettingRows() that holds the setting's values.
AMPORA_BASE_EXPORT const struct PowerSettingRow &settingRow(Setting setting);

} // namespace ApplySetting

// One plan's values for both power sources; a value the store could not give is missing.
class AMPORA_BASE_EXPORT PlanValues
{
public:
    static PlanValues read(const PowerPlatform &platform, const QUuid &plan);

    std::optional<quint32> value(Setting setting, PowerSource source) const;
    void setValue(Setting setting, PowerSource source, quint32 value);

    friend bool operator==(const PlanValues &, const PlanValues &) = default;

private:
    struct BothSources
    {
        std::optional<quint32> ac;
        std::optional<quint32> dc;
        friend bool operator==(const BothSources &, const BothSources &) = default;
    };
    std::array<BothSources, kSettingCount> m_values {};
};
