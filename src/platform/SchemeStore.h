#pragma once

#include "PowerPlatform.h"

// The program's own store of power schemes: one INI file (see README), shared by every process of
// the user. Placeholder until the store lands.
class SchemeStore : public PowerPlatform
{
    Q_OBJECT
public:
    explicit SchemeStore(const QString &path, QObject *parent = nullptr);

    PowerStatus enumerateScheme(int, QUuid *) const override { return PowerStatus::NoMoreItems; }
    PowerStatus readFriendlyName(const QUuid &, QString *) const override { return PowerStatus::Failed; }
    PowerStatus readDescription(const QUuid &, QString *) const override { return PowerStatus::Failed; }
    PowerStatus activeScheme(QUuid *) const override { return PowerStatus::Failed; }
    PowerStatus setActiveScheme(const QUuid &) override { return PowerStatus::Failed; }
    PowerStatus duplicateScheme(const QUuid &, QUuid *) override { return PowerStatus::Failed; }
    PowerStatus deleteScheme(const QUuid &) override { return PowerStatus::Failed; }
    PowerStatus writeFriendlyName(const QUuid &, const QString &) override { return PowerStatus::Failed; }
    PowerStatus writeDescription(const QUuid &, const QString &) override { return PowerStatus::Failed; }
    PowerStatus readValueIndex(PowerSource, const QUuid &, const QUuid &, const QUuid &, quint32 *) const override
    {
        return PowerStatus::Failed;
    }
    PowerStatus writeValueIndex(PowerSource, const QUuid &, const QUuid &, const QUuid &, quint32) override
    {
        return PowerStatus::Failed;
    }

private:
    QString m_path;
};
