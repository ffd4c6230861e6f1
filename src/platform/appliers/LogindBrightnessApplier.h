// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QDBusConnection>
#include <QString>
#include <optional>

class AppliedLedger;

// Brightness through logind: Session.SetBrightness("backlight", <device>, level) on the caller's
// own session, which logind allows its owner without a password. Used where the desktop has no
// brightness service of its own. Handles nothing without a backlight under <sysfs>/class/backlight
// or without a logind session. On a follow, a level the user set since is left alone.
class AMPORA_BASE_EXPORT LogindBrightnessApplier : public PlanApplier
{
public:
    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    LogindBrightnessApplier(AppliedLedger &ledger, const QDBusConnection &systemBus, const QString &sysfsRoot = {});

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

    // For dimming, which is never recorded: the device's level as the kernel reports it, and
    // setting one directly.
    std::optional<quint32> currentLevel() const;
    bool setLevel(quint32 level) const;

private:
    SettingReport applyBrightness(const ApplyRequest &request) const;

    AppliedLedger &m_ledger;
    QDBusConnection m_systemBus;
    QString m_device;
    QString m_deviceFolder;
    quint32 m_maxBrightness = 0;
    QString m_sessionPath; // empty when logind gave no session
};
