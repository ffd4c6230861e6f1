// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlatform.h"
#include "Result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <optional>

// The plans and locks an administrator sets for every user of the machine, in
// ampora/schemes.ini under each folder of $XDG_CONFIG_DIRS (normally /etc/xdg):
//
//   [Store]
//   Format=1
//   Active={GUID}          the active plan of a user whose plan store is new, or
//   Active[$i]={GUID}      every user's active plan, which users cannot change
//   [{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}]
//   Name=Office
//   Description=Set by IT
//   AC/display-off=10min   names and values as ampctl writes them; a setting left out takes the
//   DC/display-off=5min    value the Balanced plan starts with
//   [Locks]
//   AC/sleep=never         every plan, the user's own too, carries this value
//
// The program only reads it. The first folder wins for a plan, a lock or the active plan given
// in several files. A file with anything wrong in it (not UTF-8, a newer Format, a line that is
// no entry, an unknown section, key or setting, a bad value, a plan without Name, an Active
// naming neither a plan of the file nor a default plan) is skipped whole, and one line on stderr
// names the file, the line and the fault.
class AMPORA_BASE_EXPORT SystemPlans
{
public:
    static constexpr int kFormatVersion = 1;

    struct Plan
    {
        QUuid guid;
        QString name;
        QString description;
        QList<SchemeChanges::Value> values; // every setting, in PlanFileText::balancedValues order
    };

    // ampora/schemes.ini in every folder of $XDG_CONFIG_DIRS (/etc/xdg when unset), first first.
    static QStringList systemFiles();
    // Every file that is there and undamaged, merged.
    static SystemPlans load(const QStringList &files);
    // One file's text; Invalid, saying "line N: what", when it is damaged.
    static Result<SystemPlans> parse(const QByteArray &bytes);

    bool isEmpty() const;
    const QList<Plan> &plans() const { return m_plans; }
    const Plan *plan(const QUuid &guid) const;
    // The plan's value for the setting; none for a setting the settings table lacks.
    static std::optional<quint32> valueOf(
        const Plan &plan, PowerSource source, const QUuid &subgroup, const QUuid &setting);
    std::optional<quint32> lockedValue(PowerSource source, const QUuid &subgroup, const QUuid &setting) const;
    // Null when the file names none.
    const QUuid &firstActive() const { return m_firstActive; }
    const QUuid &pinnedActive() const { return m_pinnedActive; }

    // Building by hand, as a file would: a plan or a lock given already is kept.
    void addPlan(const Plan &plan);
    void addLock(const SchemeChanges::Value &lock);
    void setActive(const QUuid &plan, bool pinned);

    // The rule every plan store applies to a change: a system plan that no plan of the user's
    // hides cannot be changed or deleted, nor taken as a new plan's GUID (AlreadyExists), and a
    // locked setting cannot take another value (ReadOnly). What comes back leaves out the values
    // of locked settings, which the plans keep beneath the lock.
    Result<SchemeChanges> admit(
        const SchemeChanges &changes, const std::function<bool(const QUuid &)> &isUserScheme) const;
    // Why setActiveScheme is refused when the active plan is pinned.
    static Failure activeLocked();

private:
    // Adds what a later file gives that this one does not.
    void addMissing(const SystemPlans &later);

    QList<Plan> m_plans;
    QHash<QUuid, qsizetype> m_index;
    QList<SchemeChanges::Value> m_locks;
    QUuid m_firstActive;
    QUuid m_pinnedActive;
};
