// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppliedLedger.h"
#include "PlanApplier.h"

#include <QMap>

// Handles the settings it is given and records every request; each setting's outcome is Applied
// unless the test sets another. With a ledger, it records what it "writes" there as a real applier
// does (announced first; nothing is written when that fails).
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
        for (const Setting setting : settings) {
            const QString key = QStringLiteral("fake/%1").arg(int(setting));
            const QString value = QString::number(request.values.value(setting, request.source).value_or(0));
            if (ledger) {
                if (const Result<> recorded = ledger->announce({ { key, value } }, request.reason); !recorded) {
                    reports.append({ setting, Outcome::Failed, recorded.failure().message });
                    continue;
                }
                ledger->remember(key, value);
            }
            reports.append({ setting, outcomes.value(setting, Outcome::Applied), details.value(setting) });
        }
        return reports;
    }
    void release() override { ++releases; }

    QMap<Setting, Outcome> outcomes;
    QMap<Setting, QString> details;
    QList<ApplyRequest> requests;
    int releases = 0;
    AppliedLedger *ledger = nullptr;

private:
    QList<Setting> m_handled;
    QString m_name;
};
