// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerTrigger.h"

#include "Profile.h"

using Profile::formatText;
using Profile::loadText;

namespace {

constexpr struct
{
    PowerTrigger::Event event;
    const char16_t *name;
    const char16_t *textKey;
} kEvents[] = {
    { PowerTrigger::Event::OnMains, u"on-mains", u"IDS_TRIGGER_ON_MAINS" },
    { PowerTrigger::Event::OnBattery, u"on-battery", u"IDS_TRIGGER_ON_BATTERY" },
    { PowerTrigger::Event::BatteryBelow, u"battery-below", u"IDS_TRIGGER_BATTERY_BELOW" },
    { PowerTrigger::Event::AfterWake, u"after-wake", u"IDS_TRIGGER_AFTER_WAKE" },
};

} // namespace

QString PowerTrigger::eventName(Event event)
{
    for (const auto &known : kEvents) {
        if (known.event == event)
            return QString::fromUtf16(known.name);
    }
    return {};
}

std::optional<PowerTrigger::Event> PowerTrigger::eventNamed(const QString &name)
{
    for (const auto &known : kEvents) {
        if (name == known.name)
            return known.event;
    }
    return std::nullopt;
}

QString PowerTrigger::eventText() const
{
    for (const auto &known : kEvents) {
        if (known.event != event)
            continue;
        const QString text = loadText(known.textKey);
        return event == Event::BatteryBelow ? formatText(text, threshold) : text;
    }
    return {};
}
