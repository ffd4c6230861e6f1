// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerPlatform.h"
#include "SystemPlans.h"

#include <QHash>
#include <QList>
#include <QSet>

// In-memory schemes for tests. Individual reads, or the whole store, can be made to fail to
// exercise the callers' failure paths. Like the real store, it keeps texts without the blanks
// around them and refuses line breaks in them, and every change, made through the interface or
// planted as another process would, emits schemesChanged() once, from the event loop after the
// change, never inside the call that made it.
class FakePowerPlatform : public PowerPlatform
{
    Q_OBJECT
public:
    struct Scheme
    {
        QUuid guid;
        QString name;
        QString description;
        QHash<QString, quint32> values; // "AC/{sub}/{setting}" -> value index

        friend bool operator==(const Scheme &, const Scheme &) = default;
    };

    explicit FakePowerPlatform(QObject *parent = nullptr);

    QUuid addScheme(const QString &name, const QString &description = {}, QUuid guid = {});
    void setActiveDirectly(const QUuid &guid)
    {
        m_active = guid;
        noteChange();
    }
    void failNameOf(const QUuid &guid) { m_unreadableNames.insert(guid); }
    void failDescriptionOf(const QUuid &guid) { m_unreadableDescriptions.insert(guid); }
    // The whole store cannot be read: every call fails, and nothing counts as gone.
    void setUnreadable(bool unreadable) { m_unreadable = unreadable; }
    void refuseActivation(bool refuse) { m_refuseActivation = refuse; }
    int setActiveCalls() const { return m_setActiveCalls; }
    const QList<Scheme> &storedSchemes() const { return m_schemes; }
    // What the administrator's files give, served as the scheme store serves them.
    void setSystemPlans(const SystemPlans &system);

    Result<QList<QUuid>> schemes() const override;
    Result<QString> friendlyName(const QUuid &scheme) const override
    {
        return readText(scheme, &Scheme::name, m_unreadableNames);
    }
    Result<QString> description(const QUuid &scheme) const override
    {
        return readText(scheme, &Scheme::description, m_unreadableDescriptions);
    }
    Result<QUuid> activeScheme() const override;
    Result<> setActiveScheme(const QUuid &scheme) override;
    Result<QUuid> duplicateScheme(const QUuid &source) override;
    Result<> deleteScheme(const QUuid &scheme) override;
    // Each one change as changeSchemes makes it, as the scheme store does.
    Result<> writeFriendlyName(const QUuid &scheme, const QString &name) override
    {
        return changeSchemes({ { { scheme, std::nullopt, name, std::nullopt, {} } }, {} });
    }
    Result<> writeDescription(const QUuid &scheme, const QString &description) override
    {
        return changeSchemes({ { { scheme, std::nullopt, std::nullopt, description, {} } }, {} });
    }
    Result<quint32> valueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting) const override;
    Result<> writeValueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value) override;
    // All or nothing, with the store's name rule, as the scheme store does it.
    Result<> changeSchemes(const SchemeChanges &changes) override;

    bool isSystemScheme(const QUuid &scheme) const override;
    std::optional<quint32> lockedValue(PowerSource source, const QUuid &subgroup, const QUuid &setting) const override
    {
        return m_system.lockedValue(source, subgroup, setting);
    }
    bool isActiveLocked() const override;

private:
    Result<> changePlan(const SchemeChanges::Plan &plan);
    Result<QString> readText(const QUuid &scheme, QString Scheme::*text, const QSet<QUuid> &unreadable) const;
    void noteChange();
    // The scheme, or why it cannot be had.
    Result<const Scheme *> find(const QUuid &guid) const;
    Result<Scheme *> find(const QUuid &guid);

    QList<Scheme> m_schemes;
    SystemPlans m_system;
    QList<Scheme> m_systemSchemes; // m_system's plans; a user's scheme of the same GUID hides one
    QUuid m_active;
    QSet<QUuid> m_unreadableNames;
    QSet<QUuid> m_unreadableDescriptions;
    bool m_refuseActivation = false;
    bool m_unreadable = false;
    int m_setActiveCalls = 0;
    bool m_changePending = false;
};
