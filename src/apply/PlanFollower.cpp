#include "PlanFollower.h"

#include "PowerEvents.h"
#include "PowerPlatform.h"

std::optional<ApplyStatus> applyActivePlan(
    const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerSource source, ApplyReason reason)
{
    const Result<QUuid> active = platform.activeScheme();
    if (!active)
        return std::nullopt;
    ApplyStatus status;
    status.plan = *active;
    status.source = source;
    status.time = QDateTime::currentDateTime();
    status.appliers = coordinator.applierNames();
    status.reports = coordinator.apply({ PlanValues::read(platform, *active), source, reason });
    // What happened is only for showing; a state folder that cannot be written changes nothing.
    (void)status.save();
    return status;
}

PlanFollower::PlanFollower(
    const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerEvents &events, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_coordinator(coordinator)
    , m_events(events)
{
    connect(&platform, &PowerPlatform::schemesChanged, this, &PlanFollower::applyIfPlanChanged);
    connect(&events, &PowerEvents::sourceChanged, this, &PlanFollower::follow);
    connect(&events, &PowerEvents::resumed, this, &PlanFollower::follow);
}

void PlanFollower::start()
{
    applyNow(ApplyReason::Follow);
}

void PlanFollower::applyIfPlanChanged()
{
    const Result<QUuid> active = m_platform.activeScheme();
    if (!active)
        return;
    // Any change of the store arrives here; only another plan or other values are an activation.
    const PlanValues values = PlanValues::read(m_platform, *active);
    if (m_last && m_last->plan == *active && m_lastValues == values)
        return;
    applyNow(ApplyReason::Activation);
}

void PlanFollower::follow()
{
    applyNow(ApplyReason::Follow);
}

void PlanFollower::applyNow(ApplyReason reason)
{
    const Result<QUuid> active = m_platform.activeScheme();
    if (!active)
        return;
    m_lastValues = PlanValues::read(m_platform, *active);
    m_last = applyActivePlan(m_platform, m_coordinator, m_events.source(), reason);
    if (m_last)
        Q_EMIT applied(*m_last);
}
