// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "ApplyCoordinator.h"
#include "ApplyStatus.h"

#include <QObject>
#include <QThreadPool>

class PowerEvents;
class PowerPlatform;

namespace Applying {

// Applies request through the coordinator and records what happened for the other processes
// (ampctl status) to read.
AMPORA_BASE_EXPORT ApplyStatus applyAndRecord(
    ApplyCoordinator &coordinator, const QUuid &plan, const ApplyRequest &request);

// Applies the active plan's values now; nothing when the store cannot say which plan is active.
AMPORA_BASE_EXPORT std::optional<ApplyStatus> applyActivePlan(
    const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerSource source, ApplyReason reason);

} // namespace Applying

// The running copy's watch: applies the active plan at start, whenever it or its values change
// (by any process), when the machine moves between mains and battery, after it wakes and when
// the performance profile is free to be set again (a daemon started, a hold ended). The
// appliers talk to the desktop and to daemons, which may be slow to answer, so they run on a
// thread of their own, one apply at a time; what is asked for meanwhile runs once afterwards.
class AMPORA_BASE_EXPORT PlanFollower : public QObject
{
    Q_OBJECT
public:
    PlanFollower(
        const PowerPlatform &platform, ApplyCoordinator &coordinator, PowerEvents &events, QObject *parent = nullptr);
    // Waits for an apply in progress: the coordinator must outlive it.
    ~PlanFollower() override;

    // Applies once; call after the connections that listen to applied() are made.
    void start();
    const std::optional<ApplyStatus> &lastStatus() const { return m_last; }
    // Nothing is being applied and nothing waits to be: what was asked for has been done.
    bool isIdle() const { return !m_running && !m_queued; }

Q_SIGNALS:
    void applied(const ApplyStatus &status);
    // After the last apply that was asked for finished (isIdle() holds).
    void idle();

private:
    void applyIfPlanChanged();
    void follow();
    void request(ApplyReason reason);
    void launch(ApplyReason reason);
    void finish(const ApplyStatus &status);

    const PowerPlatform &m_platform;
    ApplyCoordinator &m_coordinator;
    PowerEvents &m_events;
    QThreadPool m_worker;
    bool m_running = false;
    std::optional<ApplyReason> m_queued;
    QUuid m_lastPlan; // what the latest apply was asked for
    std::optional<PlanValues> m_lastValues;
    std::optional<ApplyStatus> m_last; // what the latest finished apply did
};
