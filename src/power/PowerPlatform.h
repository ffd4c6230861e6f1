#pragma once

#include <QObject>
#include <QString>
#include <QUuid>

enum class PowerStatus {
    Ok,
    Skip,       // this index cannot be read; enumeration goes on with the next one
    NoMoreItems,// past the last scheme
    NotFound,   // no such scheme or setting
    Failed,     // the store could not be read or written
};

enum class PowerSource { Ac, Dc };

// The machine's power schemes. Every operation reports a status; readers that fail leave their
// out parameter untouched. Implementations emit schemesChanged() when the schemes or the active
// scheme change behind the program's back (another process, a scheduled start).
class PowerPlatform : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PowerPlatform() override = default;

    // Schemes in creation order, index 0 upwards.
    virtual PowerStatus enumerateScheme(int index, QUuid *scheme) const = 0;
    virtual PowerStatus readFriendlyName(const QUuid &scheme, QString *name) const = 0;
    virtual PowerStatus readDescription(const QUuid &scheme, QString *description) const = 0;
    virtual PowerStatus activeScheme(QUuid *scheme) const = 0;
    virtual PowerStatus setActiveScheme(const QUuid &scheme) = 0;

    // Copies every value of source into a new scheme with a new GUID.
    virtual PowerStatus duplicateScheme(const QUuid &source, QUuid *created) = 0;
    // The active scheme cannot be deleted.
    virtual PowerStatus deleteScheme(const QUuid &scheme) = 0;
    virtual PowerStatus writeFriendlyName(const QUuid &scheme, const QString &name) = 0;
    virtual PowerStatus writeDescription(const QUuid &scheme, const QString &description) = 0;

    virtual PowerStatus readValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup,
                                       const QUuid &setting, quint32 *value) const = 0;
    virtual PowerStatus writeValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup,
                                        const QUuid &setting, quint32 value) = 0;

Q_SIGNALS:
    void schemesChanged();
};
