// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplySetting.h"

#include "PowerSettings.h"

using ApplySetting::allSettings;
using ApplySetting::settingRow;
using PowerSettings::powerSettingRows;

namespace ApplySetting {

QList<Setting> allSettings()
{
    QList<Setting> settings;
    for (int i = 0; i < kSettingCount; ++i)
        settings.append(static_cast<Setting>(i));
    return settings;
}

const PowerSettingRow &settingRow(Setting setting)
{
    return powerSettingRows()[static_cast<std::size_t>(setting)];
}

} // namespace ApplySetting

PlanValues PlanValues::read(const PowerPlatform &platform, const QUuid &plan)
{
    PlanValues values;
    for (const Setting setting : allSettings()) {
        const PowerSettingRow &row = settingRow(setting);
        for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
            if (const Result<quint32> value = platform.valueIndex(source, plan, row.subgroup, row.setting))
                values.setValue(setting, source, *value);
        }
    }
    return values;
}

std::optional<quint32> PlanValues::value(Setting setting, PowerSource source) const
{
    const BothSources &both = m_values.at(static_cast<std::size_t>(setting));
    return source == PowerSource::Ac ? both.ac : both.dc;
}

void PlanValues::setValue(Setting setting, PowerSource source, quint32 value)
{
    BothSources &both = m_values.at(static_cast<std::size_t>(setting));
    (source == PowerSource::Ac ? both.ac : both.dc) = value;
}
