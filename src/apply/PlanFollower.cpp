// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanFollower.h"

#include "PowerEvents.h"
#include "PowerPlatform.h"

using Applying::applyActivePlan;
using Applying::applyAndRecord;

namespace Applying {

ApplyStatus applyAndRecord(ApplyCoordinator &coordinator, const QUuid &plan, const ApplyRequest &request)
{
    ApplyStatus status;
    status.plan = plan;
    status.source = request.source;
    status.time = QDateTime::currentDateTime();
    status.appliers = coordinator.applierNames();
    status.reports = coordinator.apply(request);
    status.recordFailure = coordinator.recordFailure();
    // What happened is only for showing; a state folder that cannot be written changes nothing.
    (void)status.save();
    return status;
}

std::optional<ApplyStatus> applyActivePlan(
    const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerSource source, ApplyReason reason)
{
    const Result<QUuid> active = platform.activeScheme();
    if (!active)
        return std::nullopt;
    return applyAndRecord(coordinator, *active, { PlanValues::read(platform, *active), source, reason });
}

} // namespace Applying

PlanFollower::PlanFollower(
    const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerEvents &events, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_coordinator(coordinator)
    , m_events(events)
{
    m_worker.setMaxThreadCount(1);
    connect(&platform, &PowerPlatform::schemesChanged, this, &PlanFollower::applyIfPlanChanged);
    connect(&events, &PowerEvents::sourceChanged, this, &PlanFollower::follow);
    connect(&events, &PowerEvents::resumed, this, &PlanFollower::follow);
    connect(&events, &PowerEvents::profilesFreed, this, &PlanFollower::follow);
}

PlanFollower::~PlanFollower()
{
    m_worker.waitForDone();
}

void PlanFollower::start()
{
    request(ApplyReason::Follow);
}

void PlanFollower::applyIfPlanChanged()
{
    const Result<QUuid> active = m_platform.activeScheme();
    if (!active)
        return;
    // Any change of the store arrives here; only another plan or other values are an activation.
    if (m_lastValues && m_lastPlan == *active && *m_lastValues == PlanValues::read(m_platform, *active))
        return;
    request(ApplyReason::Activation);
}

void PlanFollower::follow()
{
    request(ApplyReason::Follow);
}

void PlanFollower::request(ApplyReason reason)
{
    if (!m_running) {
        launch(reason);
        return;
    }
    // An activation writes everything a follow would, and more.
    if (!m_queued || reason == ApplyReason::Activation)
        m_queued = reason;
}

void PlanFollower::launch(ApplyReason reason)
{
    const Result<QUuid> active = m_platform.activeScheme();
    if (!active)
        return;
    // The store is read here, on the thread that owns it; the worker only applies.
    m_lastPlan = *active;
    m_lastValues = PlanValues::read(m_platform, *active);
    const ApplyRequest request { *m_lastValues, m_events.source(), reason };
    m_running = true;
    m_worker.start([this, plan = *active, request] {
        const ApplyStatus status = applyAndRecord(m_coordinator, plan, request);
        QMetaObject::invokeMethod(
            this, [this, status] { finish(status); }, Qt::QueuedConnection);
    });
}

void PlanFollower::finish(const ApplyStatus &status)
{
    m_running = false;
    m_last = status;
    Q_EMIT applied(status);
    if (const std::optional<ApplyReason> next = std::exchange(m_queued, std::nullopt))
        launch(*next);
    if (isIdle())
        Q_EMIT idle();
}
