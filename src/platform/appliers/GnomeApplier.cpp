// SPDX-License-Identifier: GPL-3.0-or-later
#include "GnomeApplier.h"

#include "AppliedLedger.h"
#include "GSettingsKey.h"
#include "KeyBatch.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QXmlStreamReader>
#include <array>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString kPowerSchema = u"org.gnome.settings-daemon.plugins.power"_s;
const QString kSessionSchema = u"org.gnome.desktop.session"_s;
const QString kScreensaverSchema = u"org.gnome.desktop.screensaver"_s;

const QString kDaemonService = u"org.gnome.SettingsDaemon.Power"_s;
const QString kDaemonPath = u"/org/gnome/SettingsDaemon/Power"_s;
const QString kScreenInterface = u"org.gnome.SettingsDaemon.Power.Screen"_s;
const QString kPropertiesInterface = u"org.freedesktop.DBus.Properties"_s;
const QString kBrightnessLedgerKey = u"dbus/org.gnome.SettingsDaemon.Power.Screen/Brightness"_s;
constexpr int kCallTimeoutMs = 2000;

const QString kNoValue = u"the plan has no value for it"_s;
constexpr quint32 kShutDown = 3;
// power-button-action by the plan's action: GNOME's "Power Off" is the interactive choice.
const std::array<QString, 4> kButtonActions { u"nothing"_s, u"suspend"_s, u"hibernate"_s, u"interactive"_s };
// What GNOME Settings 43 keeps in the timeouts when automatic suspend is off.
constexpr qint32 kNeverTimeoutAc = 3600;
constexpr qint32 kNeverTimeoutBattery = 1800;

// dconf answers in milliseconds; one that does not answer within this is not going to.
constexpr std::chrono::seconds kSyncTimeout { 4 };

KeyValue gnomeKey(const QString &schema, const QString &key, const QVariant &value)
{
    return { std::make_shared<GSettingsKey>(schema, key), value };
}

// GNOME's automatic suspend for one source: a single action after a single delay.
struct GnomeIdle
{
    QString type;
    qint64 timeout = 0;
    bool hibernateDropped = false;
};

std::optional<GnomeIdle> gnomeIdle(const PlanValues &values, PowerSource source)
{
    const std::optional<IdleChoice> choice = idleChoice(values, source);
    if (!choice)
        return std::nullopt;
    switch (choice->action) {
    case IdleChoice::Action::Suspend:
        return GnomeIdle { u"suspend"_s, choice->seconds, choice->hibernateDropped };
    case IdleChoice::Action::Hibernate:
        return GnomeIdle { u"hibernate"_s, choice->seconds };
    case IdleChoice::Action::Never:
        break;
    }
    // "Never" as GNOME Settings writes it: it rewrites a zero timeout whenever it opens, which a
    // later follow would take for the user's choice.
    return GnomeIdle { u"nothing"_s, source == PowerSource::Ac ? kNeverTimeoutAc : kNeverTimeoutBattery };
}

bool hasValueForBothSources(const PlanValues &values, Setting setting)
{
    return values.value(setting, PowerSource::Ac) && values.value(setting, PowerSource::Dc);
}

bool hasScreenInterface(const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kDaemonService, kDaemonPath, u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s);
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    QXmlStreamReader xml(reply.arguments().value(0).toString());
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"interface"
            && xml.attributes().value("name"_L1) == kScreenInterface)
            return true;
    }
    return false;
}

bool isVirtualMachine(const QDBusConnection &systemBus)
{
    if (!systemBus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.systemd1"_s, u"/org/freedesktop/systemd1"_s, kPropertiesInterface, u"Get"_s);
    call.setArguments({ u"org.freedesktop.systemd1.Manager"_s, u"Virtualization"_s });
    const QDBusMessage reply = systemBus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    return !qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toString().isEmpty();
}

} // namespace

GnomeApplier::GnomeApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus, const QDBusConnection &systemBus)
    : m_ledger(ledger)
    , m_sessionBus(sessionBus)
    , m_handles { Setting::PowerButton, Setting::SleepButton, Setting::Dim, Setting::DisplayOff, Setting::SleepIdle,
        Setting::HibernateIdle, Setting::LockOnWake }
    // GNOME's settings daemon, as systemd, knows it runs in a virtual machine and never suspends it when idle.
    , m_virtualMachine(isVirtualMachine(systemBus))
{
    // GNOME 49 dropped the settings daemon's brightness setter; logind takes brightness there.
    if (hasScreenInterface(m_sessionBus))
        m_handles.append(Setting::Brightness);
}

GnomeApplier::~GnomeApplier() = default;

QString GnomeApplier::name() const
{
    return u"GNOME"_s;
}

QList<Setting> GnomeApplier::handles() const
{
    return m_handles;
}

QList<SettingReport> GnomeApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    KeyBatch batch(
        m_ledger, request.reason, [] { return GSettingsKey::sync(kSyncTimeout); }, u"dconf"_s);
    // Every key is prepared first and written in one go; the reports follow once GNOME's settings
    // say what they now hold.
    std::vector<SettingReporter> reporters;
    if (settings.contains(Setting::SleepIdle) || settings.contains(Setting::HibernateIdle))
        reporters.push_back(planIdle(batch, request, settings));
    for (const Setting setting : settings) {
        if (setting == Setting::SleepIdle || setting == Setting::HibernateIdle)
            continue;
        const auto ready = [](SettingReport report) { return [report] { return QList<SettingReport> { report }; }; };
        if (setting == Setting::SleepButton) {
            reporters.push_back(
                ready({ setting, Outcome::FixedByDesktop, u"GNOME always suspends on the sleep key"_s }));
            continue;
        }
        if (!m_handles.contains(setting)) {
            reporters.push_back(ready({ setting, Outcome::NotOnThisDesktop, u"GNOME does not set it"_s }));
            continue;
        }
        const std::optional<quint32> value = request.values.value(setting, request.source);
        if (!value)
            reporters.push_back(ready({ setting, Outcome::Failed, kNoValue }));
        else if (setting == Setting::Brightness)
            reporters.push_back(ready(applyBrightness(*value, request.reason)));
        else
            reporters.push_back(planKey(batch, setting, *value));
    }
    return commitAndReport(batch, reporters);
}

std::function<QList<SettingReport>()> GnomeApplier::planKey(KeyBatch &batch, Setting setting, quint32 value)
{
    KeyValue key;
    QString approximation;
    switch (setting) {
    case Setting::PowerButton:
        if (value >= kButtonActions.size())
            return [=] {
                return QList<SettingReport> { { setting, Outcome::Failed, u"%1 is not an action"_s.arg(value) } };
            };
        key = gnomeKey(kPowerSchema, u"power-button-action"_s, kButtonActions.at(value));
        if (value == kShutDown)
            approximation = u"GNOME asks before powering off"_s;
        break;
    case Setting::Dim:
        key = gnomeKey(kPowerSchema, u"idle-dim"_s, value != 0);
        if (value != 0)
            approximation = u"GNOME dims at half the blank time"_s;
        break;
    case Setting::DisplayOff:
        key = gnomeKey(kSessionSchema, u"idle-delay"_s, value);
        break;
    case Setting::LockOnWake:
        key = gnomeKey(kScreensaverSchema, u"lock-enabled"_s, value != 0);
        break;
    default:
        return [=] {
            return QList<SettingReport> { { setting, Outcome::NotOnThisDesktop, u"GNOME does not set it"_s } };
        };
    }
    const std::size_t choice = batch.add({ key });
    return [&batch, choice, setting, value, approximation]() -> QList<SettingReport> {
        const KeyOutcome &outcome = batch.outcome(choice);
        if (outcome.outcome != Outcome::Applied)
            return { { setting, outcome.outcome, outcome.detail } };
        if (!approximation.isEmpty())
            return { { setting, Outcome::Approximated, approximation } };
        if (setting == Setting::LockOnWake) {
            return { { setting, Outcome::Applied,
                value != 0 ? u"GNOME also locks when the screen blanks"_s
                           : u"GNOME also stops locking when the screen blanks"_s } };
        }
        return { { setting, Outcome::Applied, {} } };
    };
}

// GNOME follows the power source itself here, so both sources are written on every apply.
std::function<QList<SettingReport>()> GnomeApplier::planIdle(
    KeyBatch &batch, const ApplyRequest &request, const QList<Setting> &settings)
{
    std::vector<std::size_t> choices;
    bool missingValue = false;
    bool hibernateDropped = false;
    for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
        const QString prefix = source == PowerSource::Ac ? u"sleep-inactive-ac-"_s : u"sleep-inactive-battery-"_s;
        const std::optional<GnomeIdle> choice = gnomeIdle(request.values, source);
        if (!choice) {
            missingValue = true;
            continue;
        }
        hibernateDropped = hibernateDropped || choice->hibernateDropped;
        choices.push_back(batch.add({ gnomeKey(kPowerSchema, prefix + u"type"_s, choice->type),
            gnomeKey(kPowerSchema, prefix + u"timeout"_s, choice->timeout) }));
    }
    const bool virtualMachine = m_virtualMachine;
    return [&batch, choices, missingValue, hibernateDropped, virtualMachine, values = request.values, settings] {
        KeyOutcome combined = missingValue ? KeyOutcome { Outcome::Failed, kNoValue } : KeyOutcome {};
        for (const std::size_t choice : choices)
            combined = worseOutcome(combined, batch.outcome(choice));
        QList<SettingReport> reports;
        for (const Setting setting : { Setting::SleepIdle, Setting::HibernateIdle }) {
            if (!settings.contains(setting))
                continue;
            if (!hasValueForBothSources(values, setting))
                reports.append({ setting, Outcome::Failed, kNoValue });
            else if (combined.outcome == Outcome::Applied && virtualMachine)
                reports.append({ setting, Outcome::NotOnThisMachine,
                    u"written, but GNOME never suspends a virtual machine when it is idle"_s });
            else if (setting == Setting::HibernateIdle && hibernateDropped && combined.outcome == Outcome::Applied)
                reports.append({ setting, Outcome::Approximated, u"GNOME has one idle action; it suspends"_s });
            else
                reports.append({ setting, combined.outcome, combined.detail });
        }
        return reports;
    };
}

SettingReport GnomeApplier::applyBrightness(quint32 percent, ApplyReason reason)
{
    if (percent > 100)
        return { Setting::Brightness, Outcome::Failed, u"%1% is not a brightness"_s.arg(percent) };
    if (reason == ApplyReason::Follow) {
        const std::optional<int> current = screenBrightness();
        const AppliedLedger::Verdict verdict = current
            ? m_ledger.verdict(kBrightnessLedgerKey, QString::number(*current))
            : AppliedLedger::Verdict::Follow;
        if (verdict == AppliedLedger::Verdict::KeptByUser)
            return { Setting::Brightness, Outcome::ChangedOutsideAmpora, u"the user chose %1%"_s.arg(*current) };
        if (verdict == AppliedLedger::Verdict::Unknown) {
            return { Setting::Brightness, Outcome::Failed,
                u"left as it is: what Ampora wrote before cannot be read (%1)"_s.arg(m_ledger.readError()) };
        }
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kDaemonService, kDaemonPath, kPropertiesInterface, u"Set"_s);
    call.setAutoStartService(false);
    call.setArguments({ kScreenInterface, u"Brightness"_s, QVariant::fromValue(QDBusVariant(int(percent))) });
    const QDBusMessage reply = m_sessionBus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return { Setting::Brightness, Outcome::Failed,
            u"the settings daemon did not set the brightness: %1"_s.arg(reply.errorMessage()) };
    }
    // The daemon rounds to the panel's steps: what it reports is what a follow will compare with.
    const int now = screenBrightness().value_or(int(percent));
    m_ledger.remember(kBrightnessLedgerKey, QString::number(now));
    if (GSettingsKey(kPowerSchema, u"ambient-enabled"_s).read() == u"true"_s) {
        return { Setting::Brightness, Outcome::Applied,
            u"GNOME's automatic brightness (ambient-enabled) may change it"_s };
    }
    return { Setting::Brightness, Outcome::Applied, {} };
}

std::optional<int> GnomeApplier::screenBrightness() const
{
    QDBusMessage call = QDBusMessage::createMethodCall(kDaemonService, kDaemonPath, kPropertiesInterface, u"Get"_s);
    call.setAutoStartService(false);
    call.setArguments({ kScreenInterface, u"Brightness"_s });
    const QDBusMessage reply = m_sessionBus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    bool ok = false;
    const int value = qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}
