// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>

class AppliedLedger;

// The performance profile through power-profiles-daemon on the system bus: its ActiveProfile
// property on net.hadess.PowerProfiles (0.12, Debian 12) or org.freedesktop.UPower.PowerProfiles
// (0.20 and later), whichever the daemon serves. Never cancels a hold another program placed
// (a follow or an activation while ActiveProfileHolds is not empty leaves the profile alone and
// says so), never asks for a password (interactive authorisation off).
class AMPORA_BASE_EXPORT PowerProfilesApplier : public PlanApplier
{
public:
    // Looks for the daemon on systemBus, now and before each apply; handles nothing when no daemon
    // owns either name or can be started by the bus.
    PowerProfilesApplier(AppliedLedger &ledger, const QDBusConnection &systemBus);

    QString name() const override;
    void probe() override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

private:
    // What the daemon says when asked before a change.
    struct DaemonState
    {
        QString active;
        QStringList offered;
        QStringList holds; // "<profile> by <application>: <reason>", one per hold
        QString error; // why the state could not be read, or empty
    };

    QStringList busNames(const QString &method) const;
    bool nameHasOwner(const QString &service) const;
    SettingReport applyProfile(const ApplyRequest &request) const;
    DaemonState readState() const;
    QDBusMessage call(QDBusMessage message) const;
    SettingReport writeProfile(const QString &profile) const;
    // Applied, once the ledger knows Ampora set profile.
    SettingReport remembered(const QString &profile) const;

    AppliedLedger &m_ledger;
    QDBusConnection m_systemBus;
    // The daemon's bus name, which is also its interface name; empty when none runs or can start.
    QString m_service;
    QString m_path;
};
