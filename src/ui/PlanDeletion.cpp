// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanDeletion.h"

#include "DataLock.h"
#include "NetworkScheduleFile.h"
#include "PlanUsage.h"
#include "PowerPlatform.h"
#include "PowerTriggerFile.h"
#include "TaskReader.h"

namespace {

// A plan deleted or made active by another process between the look and the change makes the
// change fail; each try looks again, and a few are plenty.
constexpr int kTries = 3;

} // namespace

PlanDeletion PlanDeletion::run(PowerPlatform &platform, TaskService &tasks, const QList<QUuid> &plans,
    const QSet<QUuid> &scheduled, const QUuid &active)
{
    PlanDeletion deletion;
    const Result<DataLock> lock = DataLock::acquireForSeveral();
    if (!lock) {
        deletion.failure = lock.failure();
        return deletion;
    }
    const QList<TimeSchedule> timed = readScheduledTasks(tasks, platform);
    const QList<NetworkSchedule> networked = readNetworkSchedules(platform);
    const QList<PowerTrigger> powered = PowerTriggerFile::read(platform);
    for (const QUuid &plan : plans) {
        const bool used
            = scheduled.contains(plan) || scheduleUseOf(plan, timed, networked, powered) != ScheduleUse::None;
        deletion.plans.append({ plan, used ? Refusal::Scheduled : plan == active ? Refusal::Active : Refusal::None });
    }
    for (int attempt = 1;; ++attempt) {
        SchemeChanges changes;
        QSet<QUuid> present;
        if (attempt > 1) {
            const QList<QUuid> schemes = platform.schemes().valueOr({});
            present = QSet<QUuid>(schemes.cbegin(), schemes.cend());
        }
        const QUuid activeNow = attempt > 1 ? platform.activeScheme().valueOr(active) : active;
        for (Plan &plan : deletion.plans) {
            if (plan.refusal == Refusal::None && plan.guid == activeNow)
                plan.refusal = Refusal::Active;
            if (plan.refusal == Refusal::None && (attempt == 1 || present.contains(plan.guid)))
                changes.deletions.append(plan.guid);
        }
        if (changes.deletions.isEmpty())
            return deletion;
        const Result<> deleted = platform.changeSchemes(changes);
        const bool raced = deleted.failedWith(Failure::Kind::NotFound) || deleted.failedWith(Failure::Kind::Invalid);
        if (deleted || !raced || attempt == kTries) {
            deletion.failure = deleted;
            return deletion;
        }
    }
}
