// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerTriggerSwitch.h"

#include "Guid.h"
#include "PowerTriggerFile.h"
#include "UserReport.h"

#include <algorithm>
#include <utility>

using Guid::guidToText;
using UserReport::reportToUser;

PowerTriggerSwitch::PowerTriggerSwitch(
    PowerPlatform &platform, PowerSource source, std::optional<int> percent, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_source(source)
    , m_lowest(percent)
{
}

void PowerTriggerSwitch::onSourceChanged(PowerSource now)
{
    if (now == m_source)
        return;
    m_source = now;
    act(now == PowerSource::Dc ? PowerTrigger::Event::OnBattery : PowerTrigger::Event::OnMains,
        [](const PowerTrigger &) { return true; });
}

void PowerTriggerSwitch::onBatteryPercentChanged(int percent)
{
    // The first reading is where the battery stands, not a fall.
    if (!m_lowest || percent >= *m_lowest + kRearmPoints)
        m_lowest = percent;
    const int lowest = std::exchange(*m_lowest, std::min(*m_lowest, percent));
    if (percent >= lowest)
        return;
    // Crossed on the way down: never below the level since it last counted, below it now. Of
    // several levels passed at once, the lowest counts.
    QList<PowerTrigger> crossed;
    for (const PowerTrigger &trigger : PowerTriggerFile::read(m_platform)) {
        if (trigger.event == PowerTrigger::Event::BatteryBelow && lowest >= trigger.threshold
            && percent < trigger.threshold && trigger.enabled && !trigger.planGone)
            crossed.append(trigger);
    }
    if (crossed.isEmpty())
        return;
    const int level = std::min_element(crossed.cbegin(), crossed.cend(), [](const auto &a, const auto &b) {
        return a.threshold < b.threshold;
    })->threshold;
    act(PowerTrigger::Event::BatteryBelow, [level](const PowerTrigger &t) { return t.threshold == level; });
}

void PowerTriggerSwitch::onResumed()
{
    act(PowerTrigger::Event::AfterWake, [](const PowerTrigger &) { return true; });
}

void PowerTriggerSwitch::act(PowerTrigger::Event event, const std::function<bool(const PowerTrigger &)> &matches)
{
    const QList<PowerTrigger> triggers = PowerTriggerFile::read(m_platform);
    const auto trigger = std::find_if(triggers.cbegin(), triggers.cend(),
        [&](const PowerTrigger &t) { return t.event == event && t.enabled && !t.planGone && matches(t); });
    if (trigger == triggers.cend())
        return;
    const QUuid plan = trigger->planGuid;
    // The file keeps a plan the store could not read at the moment; switching needs it for sure.
    const Result<QList<QUuid>> plans = m_platform.schemes();
    if (!plans || !plans->contains(plan) || m_platform.activeScheme().valueOr(QUuid()) == plan)
        return;
    if (const Result<> switched = m_platform.setActiveScheme(plan); !switched) {
        reportToUser(QStringLiteral("ampora: could not switch to plan %1 (%2): %3")
                         .arg(guidToText(plan), trigger->eventText(), switched.failure().message));
        return;
    }
    Q_EMIT planSwitched(plan);
}
