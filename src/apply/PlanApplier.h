// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "ApplySetting.h"
#include "SettingReport.h"

#include <QList>
#include <QString>

// Why values are applied. An activation (the user or a schedule chose the plan, or changed its
// values) always writes. A follow (the power source changed, the machine resumed, Ampora started)
// leaves alone a desktop setting that the user has changed since Ampora wrote it.
enum class ApplyReason { Activation, Follow };

struct ApplyRequest
{
    PlanValues values;
    PowerSource source = PowerSource::Ac;
    ApplyReason reason = ApplyReason::Activation;
};

// Makes settings take effect through one service of this machine (a desktop's settings, a daemon,
// logind). What it handles is probed on the running session when it is made.
class AMPORA_BASE_EXPORT PlanApplier
{
public:
    virtual ~PlanApplier() = default;

    // What the user is told applied the values: "GNOME", "power-profiles-daemon", "logind".
    virtual QString name() const = 0;
    // Looks again at what the session offers, before each apply: a daemon may have started since.
    virtual void probe() { }
    virtual QList<Setting> handles() const = 0;
    // Applies the given settings (some of handles()) for request.source; one report each.
    virtual QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) = 0;
    // Before the process ends: writes out what is pending and gives back what it holds.
    virtual void release() { }
};
