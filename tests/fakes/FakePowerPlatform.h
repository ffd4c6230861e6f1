#pragma once

#include "PowerPlatform.h"

#include <QHash>
#include <QList>
#include <QSet>

// In-memory schemes for tests. Individual reads can be made to fail to exercise the callers'
// failure paths.
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
    };

    explicit FakePowerPlatform(QObject *parent = nullptr);

    QUuid addScheme(const QString &name, const QString &description = {}, QUuid guid = {});
    void setActiveDirectly(const QUuid &guid) { m_active = guid; }
    void failNameOf(const QUuid &guid) { m_unreadableNames.insert(guid); }
    void failDescriptionOf(const QUuid &guid) { m_unreadableDescriptions.insert(guid); }
    void skipIndex(int index) { m_skippedIndexes.insert(index); }
    void refuseActivation(bool refuse) { m_refuseActivation = refuse; }
    int setActiveCalls() const { return m_setActiveCalls; }
    const QList<Scheme> &schemes() const { return m_schemes; }

    PowerStatus enumerateScheme(int index, QUuid *scheme) const override;
    PowerStatus readFriendlyName(const QUuid &scheme, QString *name) const override;
    PowerStatus readDescription(const QUuid &scheme, QString *description) const override;
    PowerStatus activeScheme(QUuid *scheme) const override;
    PowerStatus setActiveScheme(const QUuid &scheme) override;
    PowerStatus duplicateScheme(const QUuid &source, QUuid *created) override;
    PowerStatus deleteScheme(const QUuid &scheme) override;
    PowerStatus writeFriendlyName(const QUuid &scheme, const QString &name) override;
    PowerStatus writeDescription(const QUuid &scheme, const QString &description) override;
    PowerStatus readValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup,
                               const QUuid &setting, quint32 *value) const override;
    PowerStatus writeValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup,
                                const QUuid &setting, quint32 value) override;

private:
    const Scheme *find(const QUuid &guid) const;
    Scheme *find(const QUuid &guid);

    QList<Scheme> m_schemes;
    QUuid m_active;
    QSet<QUuid> m_unreadableNames;
    QSet<QUuid> m_unreadableDescriptions;
    QSet<int> m_skippedIndexes;
    bool m_refuseActivation = false;
    int m_setActiveCalls = 0;
};
