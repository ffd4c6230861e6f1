// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <optional>

enum class PowerSource { Ac, Dc };

// Several changes to the schemes that are made together or not at all: the store checks them
// against what it holds at that moment, under its lock, and replaces its file once. A name is
// kept trimmed and must pass the plan name rule (checkPlanName) against every other plan.
struct SchemeChanges
{
    struct Value
    {
        PowerSource source = PowerSource::Ac;
        QUuid subgroup;
        QUuid setting;
        quint32 value = 0;
    };
    struct Plan
    {
        QUuid scheme;
        // Creates scheme as a copy of every value of this one; scheme must not exist yet.
        std::optional<QUuid> copyOf;
        std::optional<QString> name;
        std::optional<QString> description;
        QList<Value> values;
    };

    QList<Plan> plans;
    // Deleted after the plans above are changed; the active scheme cannot be deleted.
    QList<QUuid> deletions;
};

// The machine's power schemes. A failure of kind NotFound means the scheme or value is known to be
// absent; any other failure means the store could not answer, so callers must not treat the
// scheme as gone. Implementations emit schemesChanged() when the schemes or the active scheme
// change behind the program's back (another process, a scheduled start).
class AMPORA_BASE_EXPORT PowerPlatform : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PowerPlatform() override = default;

    // Every readable scheme, in creation order.
    virtual Result<QList<QUuid>> schemes() const = 0;
    virtual Result<QString> friendlyName(const QUuid &scheme) const = 0;
    virtual Result<QString> description(const QUuid &scheme) const = 0;
    virtual Result<QUuid> activeScheme() const = 0;
    virtual Result<> setActiveScheme(const QUuid &scheme) = 0;

    // Copies every value of source into a new scheme with a new GUID, which it returns.
    virtual Result<QUuid> duplicateScheme(const QUuid &source) = 0;
    // The active scheme cannot be deleted.
    virtual Result<> deleteScheme(const QUuid &scheme) = 0;
    virtual Result<> writeFriendlyName(const QUuid &scheme, const QString &name) = 0;
    virtual Result<> writeDescription(const QUuid &scheme, const QString &description) = 0;

    virtual Result<quint32> valueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting) const = 0;
    virtual Result<> writeValueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value)
        = 0;

    // Makes every change or none. A scheme to change that is gone is NotFound, a name the rule
    // refuses Invalid or AlreadyExists, a copy over an existing scheme AlreadyExists.
    virtual Result<> changeSchemes(const SchemeChanges &changes) = 0;

    // What the administrator set for every user (see SystemPlans). A system-wide scheme is listed
    // after the user's own and can be activated and copied; any change of it fails with ReadOnly.
    virtual bool isSystemScheme(const QUuid &scheme) const
    {
        Q_UNUSED(scheme)
        return false;
    }
    // The value every scheme carries for a locked setting; none when the setting is not locked.
    // Setting a locked setting to another value fails with ReadOnly.
    virtual std::optional<quint32> lockedValue(PowerSource source, const QUuid &subgroup, const QUuid &setting) const
    {
        Q_UNUSED(source)
        Q_UNUSED(subgroup)
        Q_UNUSED(setting)
        return std::nullopt;
    }
    // The administrator chose every user's active scheme: setActiveScheme fails with ReadOnly.
    virtual bool isActiveLocked() const { return false; }

Q_SIGNALS:
    void schemesChanged();
};
