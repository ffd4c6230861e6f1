#pragma once

#include "PlanApplier.h"

#include <QDBusConnection>

class AppliedLedger;

// The performance profile through power-profiles-daemon on the system bus: its ActiveProfile
// property on net.hadess.PowerProfiles (0.12, Debian 12) or org.freedesktop.UPower.PowerProfiles
// (0.20 and later), whichever the daemon serves. Never cancels a hold another program placed
// (a follow or an activation while ActiveProfileHolds is not empty leaves the profile alone and
// says so), never asks for a password (interactive authorisation off).
class PowerProfilesApplier : public PlanApplier
{
public:
    PowerProfilesApplier(AppliedLedger &ledger, const QDBusConnection &systemBus);

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

private:
    AppliedLedger &m_ledger;
    QDBusConnection m_systemBus;
};
