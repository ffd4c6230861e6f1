// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerPlatform.h"
#include "PowerTrigger.h"

#include <QObject>
#include <QUuid>
#include <functional>
#include <optional>

// Carries out the power-state schedules in the running copy: when the machine goes on mains power
// or on battery, the battery's charge falls below a schedule's level, or the machine wakes, the
// plan of the enabled schedule for that event becomes the active plan. Each schedule acts once per
// crossing, at the moment of the change and never again until the next one, so a plan the user
// chooses afterwards holds until the machine's state changes again. The schedules are read at each
// event, so changes made in the window or by ampctl count at once. A charge reading that wobbles
// around a level (a changing load) is one crossing: a level counts again only once the battery has
// been charged kRearmPoints above the lowest reading since it last counted.
class PowerTriggerSwitch : public QObject
{
    Q_OBJECT
public:
    // source and percent: the state at start, which is no crossing.
    PowerTriggerSwitch(
        PowerPlatform &platform, PowerSource source, std::optional<int> percent, QObject *parent = nullptr);

    void onSourceChanged(PowerSource now);
    void onBatteryPercentChanged(int percent);
    void onResumed();

    static constexpr int kRearmPoints = 3;

Q_SIGNALS:
    // After plan was made the active plan because of what the machine did.
    void planSwitched(const QUuid &plan);

private:
    // Switches to the plan of the first enabled schedule that matches; threshold picks among
    // battery-below schedules.
    void act(PowerTrigger::Event event, const std::function<bool(const PowerTrigger &)> &matches);

    PowerPlatform &m_platform;
    PowerSource m_source;
    // The lowest charge since the battery was last charged by kRearmPoints: a level above it
    // has been crossed already.
    std::optional<int> m_lowest;
};
