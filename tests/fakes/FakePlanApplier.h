#pragma once

#include "PlanApplier.h"

#include <QMap>

// Handles the settings it is given and records every request; each setting's outcome is Applied
// unless the test sets another.
class FakePlanApplier : public PlanApplier
{
public:
    explicit FakePlanApplier(QList<Setting> handled, QString name = QStringLiteral("fake"))
        : m_handled(std::move(handled))
        , m_name(std::move(name))
    {
    }

    QString name() const override { return m_name; }
    QList<Setting> handles() const override { return m_handled; }
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override
    {
        requests.append(request);
        QList<SettingReport> reports;
        for (const Setting setting : settings)
            reports.append({ setting, outcomes.value(setting, Outcome::Applied), details.value(setting) });
        return reports;
    }
    void release() override { ++releases; }

    QMap<Setting, Outcome> outcomes;
    QMap<Setting, QString> details;
    QList<ApplyRequest> requests;
    int releases = 0;

private:
    QList<Setting> m_handled;
    QString m_name;
};
