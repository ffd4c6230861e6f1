// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerEvents.h"

// A power source the test sets; setSource() emits as the real monitor does, once per change.
class FakePowerEvents : public PowerEvents
{
    Q_OBJECT
public:
    using PowerEvents::PowerEvents;

    PowerSource source() const override { return m_source; }
    void setSource(PowerSource source)
    {
        if (source == m_source)
            return;
        m_source = source;
        Q_EMIT sourceChanged(source);
    }
    void wake() { Q_EMIT resumed(); }
    std::optional<int> batteryPercent() const override { return m_percent; }
    void setBatteryPercent(int percent)
    {
        if (m_percent == percent)
            return;
        m_percent = percent;
        Q_EMIT batteryPercentChanged(percent);
    }

private:
    PowerSource m_source = PowerSource::Ac;
    std::optional<int> m_percent;
};
