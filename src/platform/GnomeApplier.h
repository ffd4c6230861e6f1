#pragma once

#include "PlanApplier.h"

#include <QDBusConnection>
#include <optional>

class AppliedLedger;

// GNOME's own settings through GIO's GSettings (never by running gsettings): the power button,
// dim, blank, automatic suspend per source, lock on wake, and brightness through the settings
// daemon's Screen interface where it has one. Every schema and key is looked up, and every value
// range-checked, before it is written, so a missing schema is a report and never an abort.
// Values are written as GNOME's own Settings writes them; what GNOME cannot express is approximated
// with the reason. On a follow, a key the user changed since Ampora wrote it is left alone.
class GnomeApplier : public PlanApplier
{
public:
    GnomeApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus);
    ~GnomeApplier() override;

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;
    // Writes GSettings out (g_settings_sync) before a short-lived process ends.
    void release() override;

private:
    SettingReport applyKey(Setting setting, quint32 value, ApplyReason reason);
    QList<SettingReport> applyIdle(const ApplyRequest &request, const QList<Setting> &settings);
    SettingReport applyBrightness(quint32 percent, ApplyReason reason);
    std::optional<int> screenBrightness() const;

    AppliedLedger &m_ledger;
    QDBusConnection m_sessionBus;
    QList<Setting> m_handles;
};
