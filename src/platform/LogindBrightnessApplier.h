#pragma once

#include "PlanApplier.h"

#include <QDBusConnection>
#include <QString>

// Brightness through logind: Session.SetBrightness("backlight", <device>, level) on the caller's
// own session, which logind allows its owner without a password. Used where the desktop has no
// brightness service of its own. Handles nothing without a backlight under <sysfs>/class/backlight
// or without a logind session.
class LogindBrightnessApplier : public PlanApplier
{
public:
    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    LogindBrightnessApplier(const QDBusConnection &systemBus, const QString &sysfsRoot = {});

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

private:
    SettingReport applyBrightness(const ApplyRequest &request) const;

    QDBusConnection m_systemBus;
    QString m_device;
    quint32 m_maxBrightness = 0;
    QString m_sessionPath; // empty when logind gave no session
};
