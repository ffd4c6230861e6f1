// SPDX-License-Identifier: GPL-3.0-or-later
#include "GSettingsPowerApplier.h"

#include "GSettingsKey.h"
#include "KeyBatch.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Both desktops' action enums by the plan's action (nothing, sleep, hibernate, shut down).
const std::array<QString, 4> kActions { u"nothing"_s, u"suspend"_s, u"hibernate"_s, u"shutdown"_s };
constexpr std::chrono::seconds kSyncTimeout { 4 };

qsizetype sourceIndex(PowerSource source)
{
    return source == PowerSource::Ac ? 0 : 1;
}

} // namespace

GSettingsPowerLayout GSettingsPowerLayout::mate()
{
    return { u"MATE"_s, u"org.mate.power-manager"_s, u"button-power"_s, u"button-suspend"_s,
        { u"button-lid-ac"_s, u"button-lid-battery"_s }, { u"idle-dim-ac"_s, u"idle-dim-battery"_s },
        u"idle-dim-time"_s, { u"sleep-display-ac"_s, u"sleep-display-battery"_s },
        { u"sleep-computer-ac"_s, u"sleep-computer-battery"_s },
        { u"action-sleep-type-ac"_s, u"action-sleep-type-battery"_s }, { u"lock-suspend"_s, u"lock-hibernate"_s },
        u"lock-use-screensaver"_s };
}

GSettingsPowerLayout GSettingsPowerLayout::cinnamon()
{
    return { u"Cinnamon"_s, u"org.cinnamon.settings-daemon.plugins.power"_s, u"button-power"_s, u"button-suspend"_s,
        { u"lid-close-ac-action"_s, u"lid-close-battery-action"_s }, { u"idle-dim-ac"_s, u"idle-dim-battery"_s },
        u"idle-dim-time"_s, { u"sleep-display-ac"_s, u"sleep-display-battery"_s },
        { u"sleep-inactive-ac-timeout"_s, u"sleep-inactive-battery-timeout"_s },
        { u"sleep-inactive-ac-type"_s, u"sleep-inactive-battery-type"_s }, { u"lock-on-suspend"_s }, {} };
}

GSettingsPowerApplier::GSettingsPowerApplier(AppliedLedger &ledger, GSettingsPowerLayout layout)
    : m_ledger(ledger)
    , m_layout(std::move(layout))
{
}

QList<Setting> GSettingsPowerApplier::handles() const
{
    return { Setting::PowerButton, Setting::SleepButton, Setting::Lid, Setting::Dim, Setting::DisplayOff,
        Setting::SleepIdle, Setting::HibernateIdle, Setting::LockOnWake };
}

QList<SettingReport> GSettingsPowerApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    KeyBatch batch(
        m_ledger, request.reason, [] { return GSettingsKey::sync(kSyncTimeout); }, u"dconf"_s);
    const GSettingsPowerLayout &layout = m_layout;
    const auto key = [&layout](const QString &name, const QVariant &value) {
        return KeyValue { std::make_shared<GSettingsKey>(layout.schema, name), value };
    };
    const auto action = [&](const QString &name, quint32 value) -> SourceKeys {
        if (value >= kActions.size())
            return KeyOutcome { Outcome::Failed, u"%1 is not an action"_s.arg(value) };
        return { { key(name, kActions.at(value)) } };
    };
    const QList<PowerSource> now { request.source };
    const QList<PowerSource> both { PowerSource::Ac, PowerSource::Dc };

    std::vector<SettingReporter> reporters;
    if (settings.contains(Setting::SleepIdle) || settings.contains(Setting::HibernateIdle)) {
        reporters.push_back(planIdle(batch, request.values, settings, layout.desktop,
            [&](const IdleChoice &idle, PowerSource source) -> SourceKeys {
                const qsizetype i = sourceIndex(source);
                if (idle.action == IdleChoice::Action::Never)
                    return { { key(layout.sleepTimeout.at(i), 0) } };
                const QString type = idle.action == IdleChoice::Action::Suspend ? u"suspend"_s : u"hibernate"_s;
                return { { key(layout.sleepType.at(i), type), key(layout.sleepTimeout.at(i), idle.seconds) } };
            }));
    }
    for (const Setting setting : settings) {
        switch (setting) {
        case Setting::PowerButton:
            reporters.push_back(planSetting(batch, setting, request.values, now,
                [&](quint32 value, PowerSource) { return action(layout.powerButton, value); }));
            break;
        case Setting::SleepButton:
            reporters.push_back(planSetting(batch, setting, request.values, now,
                [&](quint32 value, PowerSource) { return action(layout.sleepButton, value); }));
            break;
        case Setting::Lid:
            reporters.push_back(planSetting(batch, setting, request.values, both,
                [&](quint32 value, PowerSource source) { return action(layout.lid.at(sourceIndex(source)), value); }));
            break;
        case Setting::Dim:
            // One dim delay for both sources: the current source's, written again on a change.
            reporters.push_back(
                planSetting(batch, setting, request.values, both, [&](quint32 value, PowerSource source) -> SourceKeys {
                    SourceKeys keys { { key(layout.dim.at(sourceIndex(source)), value != 0) } };
                    if (source == request.source && value != 0)
                        keys.keys.append(key(layout.dimTime, value));
                    return keys;
                }));
            break;
        case Setting::DisplayOff:
            reporters.push_back(
                planSetting(batch, setting, request.values, both, [&](quint32 value, PowerSource source) {
                    return SourceKeys { { key(layout.displayOff.at(sourceIndex(source)), value) } };
                }));
            break;
        case Setting::LockOnWake:
            reporters.push_back(
                planSetting(batch, setting, request.values, now, [&](quint32 value, PowerSource) -> SourceKeys {
                    SourceKeys keys;
                    for (const QString &name : layout.lockOnWake)
                        keys.keys.append(key(name, value != 0));
                    if (!layout.lockOverride.isEmpty()
                        && GSettingsKey(layout.schema, layout.lockOverride).read() == u"true"_s)
                        keys.approximation = u"%1 follows its screensaver's lock setting while %2 is on"_s.arg(
                            layout.desktop, layout.lockOverride);
                    return keys;
                }));
            break;
        case Setting::SleepIdle:
        case Setting::HibernateIdle:
            break;
        default:
            reporters.push_back(
                reportNow(setting, Outcome::NotOnThisDesktop, u"%1 does not set it"_s.arg(layout.desktop)));
            break;
        }
    }
    return commitAndReport(batch, reporters);
}
