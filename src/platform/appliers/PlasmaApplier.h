// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <vector>

class AppliedLedger;

// KDE Plasma's power management (PowerDevil) and screen locker, through their own configuration
// files: Plasma 6 keeps the AC and battery profiles in powerdevilrc ("[AC][Display]"), Plasma 5
// in powermanagementprofilesrc, where an action is on only while its group exists and some
// times are in milliseconds. Plasma switches between its profiles itself, so both sources are
// written each time; only lock on wake has one value for both. After writing, PowerDevil and the
// locker are told to reread (without waiting for them). A value counts as applied once the file
// is read back holding it; on a follow, a key the user changed in Plasma's settings is left
// alone. The disk timeout is not Plasma's.
class AMPORA_BASE_EXPORT PlasmaApplier : public PlanApplier
{
public:
    enum class Version { Plasma5, Plasma6 };

    // configFolder empty: $XDG_CONFIG_HOME (~/.config).
    PlasmaApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus, Version version, QString configFolder = {});
    ~PlasmaApplier() override;

    // KDE_SESSION_VERSION; without it, Plasma 5 while its profiles file is there and not yet moved
    // to Plasma 6's, else Plasma 6.
    static Version sessionVersion(const QString &configFolder = {});
    // The file the profiles are in, for this version.
    QString profilesPath() const;

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;
    // Waits (two seconds at most) for the reread calls to be sent and answered.
    void release() override;

private:
    struct Choice;
    std::vector<Choice> plan(const ApplyRequest &request, const QList<Setting> &settings) const;
    void write(std::vector<Choice> &choices, const QString &file, ApplyReason reason);

    AppliedLedger &m_ledger;
    QDBusConnection m_sessionBus;
    Version m_version;
    QString m_configFolder;
    std::vector<QDBusPendingCall> m_pending;
};
