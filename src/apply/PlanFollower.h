#pragma once

#include "ApplyCoordinator.h"
#include "ApplyStatus.h"

#include <QObject>

class PowerEvents;
class PowerPlatform;

// Applies the active plan through the coordinator and records what happened.
// Reads the active plan's values now; nothing is applied when the store cannot say which plan is
// active.
std::optional<ApplyStatus> applyActivePlan(
    const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerSource source, ApplyReason reason);

// The running copy's watch: applies the active plan at start, whenever it or its values change
// (by any process), when the machine moves between mains and battery and after it wakes.
class PlanFollower : public QObject
{
    Q_OBJECT
public:
    PlanFollower(
        const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerEvents &events, QObject *parent = nullptr);

    // Applies once now; call after the connections that listen to applied() are made.
    void start();
    const std::optional<ApplyStatus> &lastStatus() const { return m_last; }

Q_SIGNALS:
    void applied(const ApplyStatus &status);

private:
    void applyIfPlanChanged();
    void follow();
    void applyNow(ApplyReason reason);

    const PowerPlatform &m_platform;
    ApplyCoordinator &m_coordinator;
    PowerEvents &m_events;
    std::optional<ApplyStatus> m_last;
    std::optional<PlanValues> m_lastValues;
};
