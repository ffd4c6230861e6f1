// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QDBusConnection>
#include <functional>
#include <optional>

class AppliedLedger;
class KeyBatch;

// GNOME's own settings through GIO's GSettings (never by running gsettings): the power button,
// dim, blank, automatic suspend per source, lock on wake, and brightness through the settings
// daemon's Screen interface where it has one. Every schema and key is looked up, and every value
// range-checked, before it is written, so a missing schema is a report and never an abort.
// Values are written as GNOME's own Settings writes them; what GNOME cannot express is approximated
// with the reason. On a follow, a key the user changed since Ampora wrote it is left alone. A value
// counts as applied only once GNOME's settings are read back holding it.
class AMPORA_BASE_EXPORT GnomeApplier : public PlanApplier
{
public:
    // systemBus: where systemd says whether this is a virtual machine.
    GnomeApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus,
        const QDBusConnection &systemBus = QDBusConnection(QString()));
    ~GnomeApplier() override;

    QString name() const override;
    QList<Setting> handles() const override;
    // Waits (a few seconds at most) until dconf has committed what it wrote, so a short-lived
    // process may end right after.
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

private:
    // Each adds its keys to batch and gives what reports them once batch is committed.
    std::function<QList<SettingReport>()> planKey(KeyBatch &batch, Setting setting, quint32 value);
    std::function<QList<SettingReport>()> planIdle(
        KeyBatch &batch, const ApplyRequest &request, const QList<Setting> &settings);
    SettingReport applyBrightness(quint32 percent, ApplyReason reason);
    std::optional<int> screenBrightness() const;

    AppliedLedger &m_ledger;
    QDBusConnection m_sessionBus;
    QList<Setting> m_handles;
    bool m_virtualMachine = false;
};
