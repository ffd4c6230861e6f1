// SPDX-License-Identifier: GPL-3.0-or-later
#include "XfceApplier.h"

#include "KeyBatch.h"
#include "XfconfProperty.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

const QString kChannel = u"xfce4-power-manager"_s;
const QString kPrefix = u"/xfce4-power-manager/"_s;

// Button actions (XfpmShutdownRequest) by the plan's action: nothing, suspend, hibernate, and
// shut down (4; 3 asks).
constexpr std::array<quint32, 4> kButtonActions { 0, 1, 2, 4 };
// Lid actions (XfpmLidTriggerAction): 0 switches the display off, 1 suspends, 2 hibernates, 3 locks.
constexpr quint32 kLidDisplayOff = 0;
constexpr quint32 kShutDown = 3;
// Automatic sleep in minutes: 14 is "never"; the dialog offers 15 minutes to 6 hours.
constexpr quint32 kIdleNever = 14;
constexpr quint32 kIdleMinMinutes = 15;
constexpr quint32 kIdleMaxMinutes = 360;
// Inactivity sleep modes.
constexpr quint32 kSuspend = 1;
constexpr quint32 kHibernate = 2;
// Dimming delay in seconds: 9 is "never"; the dialog offers 100 s to 20 min in steps of 10 s.
constexpr quint32 kDimNever = 9;
constexpr quint32 kDimMinSeconds = 100;
constexpr quint32 kDimMaxSeconds = 1200;
// Display sleep and off in minutes, 0 never; the dialog offers up to an hour.
constexpr quint32 kDisplayMaxMinutes = 60;

QString suffix(PowerSource source)
{
    return source == PowerSource::Ac ? u"on-ac"_s : u"on-battery"_s;
}

quint32 minutesUp(quint32 seconds)
{
    return seconds / 60 + (seconds % 60 != 0 ? 1 : 0);
}

} // namespace

XfceApplier::XfceApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus)
    : m_ledger(ledger)
    , m_sessionBus(sessionBus)
{
}

QString XfceApplier::name() const
{
    return u"Xfce"_s;
}

QList<Setting> XfceApplier::handles() const
{
    return { Setting::PowerButton, Setting::SleepButton, Setting::Lid, Setting::Dim, Setting::DisplayOff,
        Setting::SleepIdle, Setting::HibernateIdle, Setting::LockOnWake };
}

QList<SettingReport> XfceApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    if (const Result<> reachable
        = XfconfProperty::reachable(m_sessionBus, kChannel, kPrefix + u"power-button-action"_s);
        !reachable) {
        QList<SettingReport> reports;
        for (const Setting setting : settings)
            reports.append({ setting, Outcome::NotOnThisDesktop, reachable.failure().message });
        return reports;
    }
    // xfconfd answers a change once it holds it: there is nothing more to wait for.
    KeyBatch batch(
        m_ledger, request.reason, [] { return Result<>(); }, u"xfconf"_s);
    const QDBusConnection bus = m_sessionBus;
    const auto uintKey = [&bus](const QString &name, quint32 value) {
        return KeyValue { std::make_shared<XfconfProperty>(bus, kChannel, kPrefix + name, XfconfProperty::Type::Uint),
            value };
    };
    // Xfce leaves a button or the lid to logind while its logind-handle-* property is on.
    const auto toLogind = [&bus](const QString &name) -> std::optional<KeyOutcome> {
        XfconfProperty handled(bus, kChannel, kPrefix + name, XfconfProperty::Type::Bool);
        if (handled.read() != u"true"_s)
            return std::nullopt;
        return KeyOutcome { Outcome::NotOnThisDesktop,
            u"Xfce leaves it to the system's logind settings (%1)"_s.arg(name) };
    };
    const auto button = [&](const QString &name, const QString &logind, quint32 value) -> SourceKeys {
        if (value >= kButtonActions.size())
            return KeyOutcome { Outcome::Failed, u"%1 is not an action"_s.arg(value) };
        if (const std::optional<KeyOutcome> delegated = toLogind(logind))
            return *delegated;
        return { { uintKey(name, kButtonActions.at(value)) } };
    };
    const QList<PowerSource> now { request.source };
    const QList<PowerSource> both { PowerSource::Ac, PowerSource::Dc };

    std::vector<SettingReporter> reporters;
    if (settings.contains(Setting::SleepIdle) || settings.contains(Setting::HibernateIdle)) {
        reporters.push_back(planIdle(
            batch, request.values, settings, name(), [&](const IdleChoice &idle, PowerSource source) -> SourceKeys {
                const QString delay = u"inactivity-"_s + suffix(source);
                if (idle.action == IdleChoice::Action::Never)
                    return { { uintKey(delay, kIdleNever) } };
                const quint32 minutes = std::clamp(minutesUp(idle.seconds), kIdleMinMinutes, kIdleMaxMinutes);
                SourceKeys keys { { uintKey(u"inactivity-sleep-mode-"_s + suffix(source),
                                        idle.action == IdleChoice::Action::Suspend ? kSuspend : kHibernate),
                    uintKey(delay, minutes) } };
                if (minutes * 60 != idle.seconds)
                    keys.approximation = u"Xfce sleeps after whole minutes, 15 minutes to 6 hours"_s;
                return keys;
            }));
    }
    for (const Setting setting : settings) {
        switch (setting) {
        case Setting::PowerButton:
            reporters.push_back(planSetting(batch, setting, request.values, now, [&](quint32 value, PowerSource) {
                return button(u"power-button-action"_s, u"logind-handle-power-key"_s, value);
            }));
            break;
        case Setting::SleepButton:
            reporters.push_back(planSetting(batch, setting, request.values, now, [&](quint32 value, PowerSource) {
                return button(u"sleep-button-action"_s, u"logind-handle-suspend-key"_s, value);
            }));
            break;
        case Setting::Lid:
            reporters.push_back(
                planSetting(batch, setting, request.values, both, [&](quint32 value, PowerSource source) -> SourceKeys {
                    if (value > kShutDown)
                        return KeyOutcome { Outcome::Failed, u"%1 is not an action"_s.arg(value) };
                    if (value == kShutDown)
                        return KeyOutcome { Outcome::NotOnThisDesktop, u"Xfce cannot shut down when the lid closes"_s };
                    if (const std::optional<KeyOutcome> delegated = toLogind(u"logind-handle-lid-switch"_s))
                        return *delegated;
                    SourceKeys keys { { uintKey(u"lid-action-"_s + suffix(source), value) } };
                    if (value == kLidDisplayOff)
                        keys.approximation = u"Xfce switches the display off when the lid closes"_s;
                    return keys;
                }));
            break;
        case Setting::Dim:
            reporters.push_back(
                planSetting(batch, setting, request.values, both, [&](quint32 value, PowerSource source) -> SourceKeys {
                    const QString delay = u"brightness-"_s + suffix(source);
                    if (value == 0)
                        return { { uintKey(delay, kDimNever) } };
                    const quint32 seconds = std::clamp((value + 5) / 10 * 10, kDimMinSeconds, kDimMaxSeconds);
                    SourceKeys keys { { uintKey(delay, seconds) } };
                    if (seconds != value)
                        keys.approximation = u"Xfce dims after 100 s to 20 minutes, in steps of 10 s"_s;
                    return keys;
                }));
            break;
        case Setting::DisplayOff:
            // The display goes straight off: a sleep stage before it would have to come sooner.
            reporters.push_back(
                planSetting(batch, setting, request.values, both, [&](quint32 value, PowerSource source) -> SourceKeys {
                    const quint32 minutes = std::min(minutesUp(value), kDisplayMaxMinutes);
                    SourceKeys keys { { uintKey(u"dpms-"_s + suffix(source) + u"-sleep"_s, 0),
                        uintKey(u"dpms-"_s + suffix(source) + u"-off"_s, minutes) } };
                    if (minutes * 60 != value)
                        keys.approximation = u"Xfce switches the display off after whole minutes, an hour at most"_s;
                    return keys;
                }));
            break;
        case Setting::LockOnWake:
            reporters.push_back(planSetting(batch, setting, request.values, now, [&](quint32 value, PowerSource) {
                return SourceKeys { { KeyValue {
                    std::make_shared<XfconfProperty>(
                        bus, kChannel, kPrefix + u"lock-screen-suspend-hibernate"_s, XfconfProperty::Type::Bool),
                    value != 0 } } };
            }));
            break;
        case Setting::SleepIdle:
        case Setting::HibernateIdle:
            break;
        default:
            reporters.push_back(reportNow(setting, Outcome::NotOnThisDesktop, u"Xfce does not set it"_s));
            break;
        }
    }
    return commitAndReport(batch, reporters);
}
