// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanApplier.h"

#include <QStringList>

class AppliedLedger;

// Where a desktop whose power manager keeps its settings in GSettings, with its own value per
// power source for the lid, dimming, the display and automatic sleep, keeps each of them. Keys
// named "<x>-ac" have their battery twin in the Battery list at the same place.
struct AMPORA_BASE_EXPORT GSettingsPowerLayout
{
    QString desktop; // "MATE", for the user
    QString schema;
    QString powerButton; // enum keys taking nothing / suspend / hibernate / shutdown
    QString sleepButton;
    QStringList lid; // AC, battery
    QStringList dim; // booleans, AC, battery
    QString dimTime; // seconds, one value
    QStringList displayOff; // seconds, 0 never; AC, battery
    QStringList sleepTimeout; // seconds, 0 never; AC, battery
    QStringList sleepType; // suspend / hibernate; AC, battery
    QStringList lockOnWake; // booleans, all written alike
    QString lockOverride; // a boolean that, while true, makes the desktop ignore lockOnWake

    // mate-power-manager 1.26 (org.mate.power-manager).
    static GSettingsPowerLayout mate();
    // cinnamon-settings-daemon 5.6 (org.cinnamon.settings-daemon.plugins.power).
    static GSettingsPowerLayout cinnamon();
};

// MATE's and Cinnamon's power settings through GIO's GSettings, as GNOME's: every schema and key
// is looked up and every value range-checked before it is written, everything is written together,
// read back once dconf committed it, and recorded. The desktop follows the power source itself
// for what it keeps per source; the rest is written for the current source. On a follow, a key the
// user changed since Ampora wrote it is left alone. Brightness stays with logind.
class AMPORA_BASE_EXPORT GSettingsPowerApplier : public PlanApplier
{
public:
    GSettingsPowerApplier(AppliedLedger &ledger, GSettingsPowerLayout layout);

    QString name() const override { return m_layout.desktop; }
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;

private:
    AppliedLedger &m_ledger;
    GSettingsPowerLayout m_layout;
};
