// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePowerPlatform.h"

#include "Guid.h"
#include "PlanEditing.h"

#include <algorithm>
#include <utility>

using Guid::guidToText;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanDescription;
using PlanEditing::refusePlanName;

namespace {

QString valueKey(PowerSource source, const QUuid &subgroup, const QUuid &setting)
{
    return (source == PowerSource::Ac ? QStringLiteral("AC/") : QStringLiteral("DC/")) + guidToText(subgroup) + u'/'
        + guidToText(setting);
}

Failure unreadableStore()
{
    return failed(QStringLiteral("the fake store is unreadable"));
}

} // namespace

FakePowerPlatform::FakePowerPlatform(QObject *parent)
    : PowerPlatform(parent)
{
}

QUuid FakePowerPlatform::addScheme(const QString &name, const QString &description, QUuid guid)
{
    if (guid.isNull())
        guid = QUuid::createUuid();
    m_schemes.append(Scheme { guid, name.trimmed(), description.trimmed(), {} });
    if (m_active.isNull())
        m_active = guid;
    noteChange();
    return guid;
}

void FakePowerPlatform::noteChange()
{
    if (std::exchange(m_changePending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePending = false;
            Q_EMIT schemesChanged();
        },
        Qt::QueuedConnection);
}

void FakePowerPlatform::setSystemPlans(const SystemPlans &system)
{
    m_system = system;
    m_systemSchemes.clear();
    for (const SystemPlans::Plan &plan : system.plans()) {
        Scheme scheme { plan.guid, plan.name, plan.description, {} };
        for (const SchemeChanges::Value &value : plan.values)
            scheme.values.insert(valueKey(value.source, value.subgroup, value.setting), value.value);
        m_systemSchemes.append(scheme);
    }
    noteChange();
}

bool FakePowerPlatform::isSystemScheme(const QUuid &scheme) const
{
    const bool own
        = std::any_of(m_schemes.cbegin(), m_schemes.cend(), [&](const Scheme &s) { return s.guid == scheme; });
    return !m_unreadable && !own && m_system.plan(scheme);
}

bool FakePowerPlatform::isActiveLocked() const
{
    return !m_system.pinnedActive().isNull() && find(m_system.pinnedActive());
}

Result<const FakePowerPlatform::Scheme *> FakePowerPlatform::find(const QUuid &guid) const
{
    if (m_unreadable)
        return unreadableStore();
    for (const QList<Scheme> *list : { &m_schemes, &m_systemSchemes }) {
        for (const Scheme &s : *list) {
            if (s.guid == guid)
                return &s;
        }
    }
    return notFound(QStringLiteral("no scheme %1").arg(guidToText(guid)));
}

Result<FakePowerPlatform::Scheme *> FakePowerPlatform::find(const QUuid &guid)
{
    const Result<const Scheme *> found = std::as_const(*this).find(guid);
    if (!found)
        return found.failure();
    return const_cast<Scheme *>(*found);
}

Result<QList<QUuid>> FakePowerPlatform::schemes() const
{
    if (m_unreadable)
        return unreadableStore();
    QList<QUuid> guids;
    for (const Scheme &s : m_schemes)
        guids.append(s.guid);
    for (const Scheme &s : m_systemSchemes) {
        if (!guids.contains(s.guid))
            guids.append(s.guid);
    }
    return guids;
}

Result<QString> FakePowerPlatform::readText(
    const QUuid &scheme, QString Scheme::*text, const QSet<QUuid> &unreadable) const
{
    const Result<const Scheme *> s = find(scheme);
    if (!s)
        return s.failure();
    if (unreadable.contains(scheme))
        return failed(QStringLiteral("unreadable text"));
    return (*s)->*text;
}

Result<QUuid> FakePowerPlatform::activeScheme() const
{
    if (isActiveLocked())
        return m_system.pinnedActive();
    const Result<const Scheme *> s = find(m_active);
    if (!s)
        return failed(QStringLiteral("no active scheme"));
    return m_active;
}

Result<> FakePowerPlatform::setActiveScheme(const QUuid &scheme)
{
    ++m_setActiveCalls;
    if (m_refuseActivation)
        return failed(QStringLiteral("activation refused"));
    if (isActiveLocked())
        return SystemPlans::activeLocked();
    const Result<Scheme *> s = find(scheme);
    if (!s)
        return s.failure();
    m_active = scheme;
    noteChange();
    return {};
}

Result<QUuid> FakePowerPlatform::duplicateScheme(const QUuid &source)
{
    const QUuid copy = QUuid::createUuid();
    const Result<> made = changeSchemes(SchemeChanges { { { copy, source, std::nullopt, std::nullopt, {} } }, {} });
    return made ? Result<QUuid>(copy) : Result<QUuid>(made.failure());
}

Result<> FakePowerPlatform::deleteScheme(const QUuid &scheme)
{
    return changeSchemes(SchemeChanges { {}, { scheme } });
}

Result<quint32> FakePowerPlatform::valueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting) const
{
    const Result<const Scheme *> s = find(scheme);
    if (!s)
        return s.failure();
    if (const std::optional<quint32> locked = m_system.lockedValue(source, subgroup, setting))
        return *locked;
    const auto it = (*s)->values.constFind(valueKey(source, subgroup, setting));
    if (it == (*s)->values.cend())
        return notFound(QStringLiteral("no such value"));
    return *it;
}

Result<> FakePowerPlatform::writeValueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value)
{
    return changeSchemes(
        { { { scheme, std::nullopt, std::nullopt, std::nullopt, { { source, subgroup, setting, value } } } }, {} });
}

Result<> FakePowerPlatform::changeSchemes(const SchemeChanges &given)
{
    const Result<SchemeChanges> admitted = m_system.admit(given, [&](const QUuid &scheme) {
        return std::any_of(m_schemes.cbegin(), m_schemes.cend(), [&](const Scheme &s) { return s.guid == scheme; });
    });
    if (!admitted)
        return admitted.failure();
    const SchemeChanges &changes = *admitted;
    const QList<Scheme> before = m_schemes;
    const auto refused = [&](const Failure &failure) {
        m_schemes = before;
        return Result<>(failure);
    };
    for (const SchemeChanges::Plan &plan : changes.plans) {
        if (const Result<> changed = changePlan(plan); !changed)
            return refused(changed.failure());
    }
    for (const QUuid &scheme : changes.deletions) {
        if (scheme == activeScheme().valueOr(m_active))
            return refused(invalid(QStringLiteral("the active scheme cannot be deleted")));
        if (const Result<Scheme *> s = find(scheme); !s)
            return refused(s.failure());
        m_schemes.removeIf([&](const Scheme &each) { return each.guid == scheme; });
    }
    // As the store: a system plan's name is taken, except by a plan of the user's that had it.
    PowerPlanList named;
    for (const Scheme &s : std::as_const(m_schemes))
        named.append(PowerPlan { s.name, s.description, s.guid });
    PowerPlanList withSystem = named;
    for (const QUuid &scheme : schemes().valueOr({})) {
        if (isSystemScheme(scheme))
            withSystem.append(PowerPlan { m_system.plan(scheme)->name, {}, scheme });
    }
    for (const SchemeChanges::Plan &plan : changes.plans) {
        if (!plan.name || changes.deletions.contains(plan.scheme))
            continue;
        const auto old
            = std::find_if(before.cbegin(), before.cend(), [&](const Scheme &s) { return s.guid == plan.scheme; });
        const bool kept = !plan.copyOf && old != before.cend()
            && QString::compare(old->name, planNameOf(*plan.name), Qt::CaseInsensitive) == 0;
        if (const Result<> usable = refusePlanName(kept ? named : withSystem, *plan.name, plan.scheme); !usable)
            return refused(usable.failure());
    }
    noteChange();
    return {};
}

Result<> FakePowerPlatform::changePlan(const SchemeChanges::Plan &plan)
{
    if (plan.copyOf) {
        if (find(plan.scheme))
            return alreadyExists(QStringLiteral("scheme %1 exists").arg(guidToText(plan.scheme)));
        const Result<const Scheme *> source = std::as_const(*this).find(*plan.copyOf);
        if (!source)
            return source.failure();
        Scheme copy = **source;
        copy.guid = plan.scheme;
        m_schemes.append(copy);
    }
    const Result<Scheme *> s = find(plan.scheme);
    if (!s)
        return s.failure();
    if (plan.name)
        (*s)->name = planNameOf(*plan.name);
    if (plan.description) {
        if (const Result<> usable = refusePlanDescription(*plan.description); !usable)
            return usable;
        (*s)->description = *plan.description;
    }
    for (const SchemeChanges::Value &value : plan.values)
        (*s)->values.insert(valueKey(value.source, value.subgroup, value.setting), value.value);
    return {};
}
