// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QDBusConnection>

class AppliedLedger;

// Xfce's power manager (xfce4-power-manager 4.18) through its xfconf channel on the session bus:
// the power and sleep buttons, and per power source the lid, dimming, the display's power saving
// and automatic sleep, which Xfce follows itself; lock on suspend. Values go in Xfce's own units
// and within the ranges its settings dialog shows, which rewrites a value outside them when it
// opens; what Xfce cannot express is approximated with the reason. Every value is read back from
// xfconfd and recorded; on a follow, a property the user changed since is left alone. Brightness
// stays with logind: Xfce keeps no brightness of its own per source.
class AMPORA_BASE_EXPORT XfceApplier : public PlanApplier
{
public:
    XfceApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus);

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

private:
    AppliedLedger &m_ledger;
    QDBusConnection m_sessionBus;
};
