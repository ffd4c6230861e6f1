#include "GnomeApplier.h"

#include "AppliedLedger.h"
#include "GSettingsKey.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QXmlStreamReader>
#include <array>

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

struct KeyValue
{
    QString schema;
    QString key;
    QVariant value;
};

struct KeyOutcome
{
    Outcome outcome = Outcome::Applied;
    QString detail;
};

// Keys that make one choice together (an idle action and its delay) are kept together when the
// user changed any of them in GNOME's Settings.
KeyOutcome writeKeys(AppliedLedger &ledger, const QList<KeyValue> &values, ApplyReason reason)
{
    std::vector<GSettingsKey> keys;
    for (const KeyValue &value : values) {
        keys.emplace_back(value.schema, value.key);
        if (!keys.back().missing().isEmpty())
            return { Outcome::NotOnThisDesktop, keys.back().missing() };
    }
    if (reason == ApplyReason::Follow) {
        for (const GSettingsKey &key : keys) {
            const QString current = key.read().value_or(QString());
            if (!ledger.mayFollow(key.ledgerKey(), current))
                return { Outcome::ChangedOutsideAmpora, u"the user chose %1 for %2"_s.arg(current, key.key()) };
        }
    }
    // A value one key refuses leaves the others of its choice alone too.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (const Result<QString> checked = keys[i].check(values.at(qsizetype(i)).value); !checked)
            return { Outcome::Failed, checked.failure().message };
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Result<QString> written = keys[i].write(values.at(qsizetype(i)).value);
        if (!written)
            return { Outcome::Failed, written.failure().message };
        ledger.remember(keys[i].ledgerKey(), *written);
    }
    return {};
}

int severity(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Failed:
        return 3;
    case Outcome::NotOnThisDesktop:
        return 2;
    case Outcome::ChangedOutsideAmpora:
        return 1;
    default:
        return 0;
    }
}

// What the user is told of two sources' keys: the worse outcome, with both reasons if they differ.
KeyOutcome worse(const KeyOutcome &a, const KeyOutcome &b)
{
    if (severity(a.outcome) != severity(b.outcome))
        return severity(a.outcome) > severity(b.outcome) ? a : b;
    if (a.detail == b.detail || b.detail.isEmpty())
        return a;
    return { a.outcome, a.detail.isEmpty() ? b.detail : a.detail + u"; "_s + b.detail };
}

// GNOME's automatic suspend for one source: a single action after a single delay.
struct IdleChoice
{
    QString type;
    qint64 timeout = 0;
    bool hibernateDropped = false;
};

std::optional<IdleChoice> idleChoice(const PlanValues &values, PowerSource source)
{
    const std::optional<quint32> sleep = values.value(Setting::SleepIdle, source);
    const std::optional<quint32> hibernate = values.value(Setting::HibernateIdle, source);
    if (!sleep)
        return std::nullopt;
    if (*sleep != 0)
        return IdleChoice { u"suspend"_s, *sleep, hibernate.value_or(0) != 0 };
    if (!hibernate)
        return std::nullopt;
    if (*hibernate != 0)
        return IdleChoice { u"hibernate"_s, *hibernate };
    // "Never" as GNOME Settings writes it: it rewrites a zero timeout whenever it opens, which a
    // later follow would take for the user's choice.
    return IdleChoice { u"nothing"_s, source == PowerSource::Ac ? kNeverTimeoutAc : kNeverTimeoutBattery };
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

} // namespace

GnomeApplier::GnomeApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus)
    : m_ledger(ledger)
    , m_sessionBus(sessionBus)
    , m_handles { Setting::PowerButton, Setting::SleepButton, Setting::Dim, Setting::DisplayOff, Setting::SleepIdle,
        Setting::HibernateIdle, Setting::LockOnWake }
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
    QList<SettingReport> reports;
    if (settings.contains(Setting::SleepIdle) || settings.contains(Setting::HibernateIdle))
        reports.append(applyIdle(request, settings));
    for (const Setting setting : settings) {
        if (setting == Setting::SleepIdle || setting == Setting::HibernateIdle)
            continue;
        if (setting == Setting::SleepButton) {
            reports.append({ setting, Outcome::FixedByDesktop, u"GNOME always suspends on the sleep key"_s });
            continue;
        }
        if (!m_handles.contains(setting)) {
            reports.append({ setting, Outcome::NotOnThisDesktop, u"GNOME does not set it"_s });
            continue;
        }
        const std::optional<quint32> value = request.values.value(setting, request.source);
        if (!value)
            reports.append({ setting, Outcome::Failed, kNoValue });
        else if (setting == Setting::Brightness)
            reports.append(applyBrightness(*value, request.reason));
        else
            reports.append(applyKey(setting, *value, request.reason));
    }
    return reports;
}

void GnomeApplier::release()
{
    GSettingsKey::sync();
}

SettingReport GnomeApplier::applyKey(Setting setting, quint32 value, ApplyReason reason)
{
    KeyValue key;
    QString approximation;
    switch (setting) {
    case Setting::PowerButton:
        if (value >= kButtonActions.size())
            return { setting, Outcome::Failed, u"%1 is not an action"_s.arg(value) };
        key = { kPowerSchema, u"power-button-action"_s, kButtonActions.at(value) };
        if (value == kShutDown)
            approximation = u"GNOME asks before powering off"_s;
        break;
    case Setting::Dim:
        key = { kPowerSchema, u"idle-dim"_s, value != 0 };
        if (value != 0)
            approximation = u"GNOME dims at half the blank time"_s;
        break;
    case Setting::DisplayOff:
        key = { kSessionSchema, u"idle-delay"_s, value };
        break;
    case Setting::LockOnWake:
        key = { kScreensaverSchema, u"lock-enabled"_s, value != 0 };
        break;
    default:
        return { setting, Outcome::NotOnThisDesktop, u"GNOME does not set it"_s };
    }
    const KeyOutcome outcome = writeKeys(m_ledger, { key }, reason);
    if (outcome.outcome != Outcome::Applied)
        return { setting, outcome.outcome, outcome.detail };
    if (!approximation.isEmpty())
        return { setting, Outcome::Approximated, approximation };
    if (setting == Setting::LockOnWake) {
        return { setting, Outcome::Applied,
            value != 0 ? u"GNOME also locks when the screen blanks"_s
                       : u"GNOME also stops locking when the screen blanks"_s };
    }
    return { setting, Outcome::Applied, {} };
}

// GNOME follows the power source itself here, so both sources are written on every apply.
QList<SettingReport> GnomeApplier::applyIdle(const ApplyRequest &request, const QList<Setting> &settings)
{
    KeyOutcome combined;
    bool hibernateDropped = false;
    for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
        const QString prefix = source == PowerSource::Ac ? u"sleep-inactive-ac-"_s : u"sleep-inactive-battery-"_s;
        const std::optional<IdleChoice> choice = idleChoice(request.values, source);
        if (!choice) {
            combined = worse(combined, { Outcome::Failed, kNoValue });
            continue;
        }
        hibernateDropped = hibernateDropped || choice->hibernateDropped;
        combined = worse(combined,
            writeKeys(m_ledger,
                { { kPowerSchema, prefix + u"type"_s, choice->type },
                    { kPowerSchema, prefix + u"timeout"_s, choice->timeout } },
                request.reason));
    }
    QList<SettingReport> reports;
    for (const Setting setting : { Setting::SleepIdle, Setting::HibernateIdle }) {
        if (!settings.contains(setting))
            continue;
        if (!hasValueForBothSources(request.values, setting))
            reports.append({ setting, Outcome::Failed, kNoValue });
        else if (setting == Setting::HibernateIdle && hibernateDropped && combined.outcome == Outcome::Applied)
            reports.append({ setting, Outcome::Approximated, u"GNOME has one idle action; it suspends"_s });
        else
            reports.append({ setting, combined.outcome, combined.detail });
    }
    return reports;
}

SettingReport GnomeApplier::applyBrightness(quint32 percent, ApplyReason reason)
{
    if (percent > 100)
        return { Setting::Brightness, Outcome::Failed, u"%1% is not a brightness"_s.arg(percent) };
    if (reason == ApplyReason::Follow) {
        const std::optional<int> current = screenBrightness();
        if (current && !m_ledger.mayFollow(kBrightnessLedgerKey, QString::number(*current)))
            return { Setting::Brightness, Outcome::ChangedOutsideAmpora, u"the user chose %1%"_s.arg(*current) };
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
