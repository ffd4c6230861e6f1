#pragma once

#include "Result.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

enum class PowerSource { Ac, Dc };

// The machine's power schemes. A failure of kind NotFound means the scheme or value is known to be
// absent; any other failure means the store could not answer, so callers must not treat the
// scheme as gone. Implementations emit schemesChanged() when the schemes or the active scheme
// change behind the program's back (another process, a scheduled start).
class PowerPlatform : public QObject
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

Q_SIGNALS:
    void schemesChanged();
};
