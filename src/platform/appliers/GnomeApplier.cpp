#include "GnomeApplier.h"

#include "AppliedLedger.h"
#include "GSettingsKey.h"

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

// dconf answers in milliseconds; one that does not answer within this is not going to.
constexpr std::chrono::seconds kSyncTimeout { 4 };

} // namespace

// The keys of one apply, written together and then read back: GSettings accepts a value at once
// and dconf commits it later, or never (no session bus, a home it cannot write, a service that
// hangs). Only a value read back after the commit counts as applied and is recorded.
class KeyBatch
{
public:
    KeyBatch(AppliedLedger &ledger, ApplyReason reason)
        : m_ledger(ledger)
        , m_reason(reason)
    {
    }

    // Keys that make one choice together (an idle action and its delay) are kept together when
    // the user changed any of them in GNOME's Settings, and a value one key refuses leaves the
    // others of its choice alone too. Gives the choice's number.
    std::size_t add(const QList<KeyValue> &values)
    {
        Choice &choice = m_choices.emplace_back();
        for (const KeyValue &value : values) {
            choice.keys.emplace_back(value.schema, value.key);
            if (!choice.keys.back().missing().isEmpty()) {
                choice.outcome = { Outcome::NotOnThisDesktop, choice.keys.back().missing() };
                return m_choices.size() - 1;
            }
        }
        if (m_reason == ApplyReason::Follow && !mayFollow(choice))
            return m_choices.size() - 1;
        for (std::size_t i = 0; i < choice.keys.size(); ++i) {
            const Result<QString> checked = choice.keys[i].check(values.at(qsizetype(i)).value);
            if (!checked) {
                choice.outcome = { Outcome::Failed, checked.failure().message };
                return m_choices.size() - 1;
            }
            choice.values.append(values.at(qsizetype(i)).value);
            choice.texts.append(*checked);
        }
        return m_choices.size() - 1;
    }

    void commit()
    {
        QList<std::pair<QString, QString>> announced;
        for (const Choice &choice : m_choices) {
            for (qsizetype i = 0; i < choice.texts.size(); ++i)
                announced.append({ choice.keys[std::size_t(i)].ledgerKey(), choice.texts.at(i) });
        }
        if (announced.isEmpty())
            return;
        if (const Result<> recorded = m_ledger.announce(announced, m_reason); !recorded) {
            failAll(
                { Outcome::Failed, u"not written, since Ampora cannot record it: "_s + recorded.failure().message });
            return;
        }
        for (Choice &choice : pending())
            write(choice);
        if (const Result<> synced = GSettingsKey::sync(kSyncTimeout); !synced) {
            // The values may still arrive: they stay announced, so a later follow knows them.
            failAll({ Outcome::Failed, u"not confirmed: "_s + synced.failure().message });
            return;
        }
        for (Choice &choice : pending())
            confirm(choice);
    }

    const KeyOutcome &outcome(std::size_t choice) const { return m_choices.at(choice).outcome; }

private:
    struct Choice
    {
        std::vector<GSettingsKey> keys;
        QVariantList values;
        QStringList texts; // what each key is to hold, as GSettingsKey::read() shows it
        KeyOutcome outcome;
    };

    bool mayFollow(Choice &choice) const
    {
        for (const GSettingsKey &key : choice.keys) {
            const QString current = key.read().value_or(QString());
            switch (m_ledger.verdict(key.ledgerKey(), current)) {
            case AppliedLedger::Verdict::Follow:
                break;
            case AppliedLedger::Verdict::KeptByUser:
                choice.outcome
                    = { Outcome::ChangedOutsideAmpora, u"the user chose %1 for %2"_s.arg(current, key.key()) };
                return false;
            case AppliedLedger::Verdict::Unknown:
                choice.outcome = { Outcome::Failed,
                    u"left as it is: what Ampora wrote before cannot be read (%1); choosing a plan writes it again"_s
                        .arg(m_ledger.readError()) };
                return false;
            }
        }
        return true;
    }

    std::vector<std::reference_wrapper<Choice>> pending()
    {
        std::vector<std::reference_wrapper<Choice>> result;
        for (Choice &choice : m_choices) {
            if (choice.outcome.outcome == Outcome::Applied && !choice.texts.isEmpty())
                result.emplace_back(choice);
        }
        return result;
    }

    void failAll(const KeyOutcome &outcome)
    {
        for (Choice &choice : pending())
            choice.outcome = outcome;
    }

    void write(Choice &choice)
    {
        for (std::size_t i = 0; i < choice.keys.size(); ++i) {
            if (const Result<QString> written = choice.keys[i].write(choice.values.at(qsizetype(i))); !written) {
                choice.outcome = { Outcome::Failed, written.failure().message };
                break;
            }
        }
        if (choice.outcome.outcome != Outcome::Applied)
            abandon(choice);
    }

    void confirm(Choice &choice)
    {
        for (std::size_t i = 0; i < choice.keys.size(); ++i) {
            const QString now = choice.keys[i].read().value_or(QString());
            if (now != choice.texts.at(qsizetype(i))) {
                choice.outcome = { Outcome::Failed,
                    u"not confirmed by dconf: %1 still holds %2"_s.arg(choice.keys[i].key(), now) };
                abandon(choice);
                return;
            }
        }
        for (std::size_t i = 0; i < choice.keys.size(); ++i)
            m_ledger.remember(choice.keys[i].ledgerKey(), choice.texts.at(qsizetype(i)));
    }

    void abandon(const Choice &choice)
    {
        for (const GSettingsKey &key : choice.keys)
            m_ledger.abandon(key.ledgerKey());
    }

    AppliedLedger &m_ledger;
    ApplyReason m_reason;
    std::vector<Choice> m_choices;
};

namespace {

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
    KeyBatch batch(m_ledger, request.reason);
    // Every key is prepared first and written in one go; the reports follow once GNOME's settings
    // say what they now hold.
    std::vector<std::function<QList<SettingReport>()>> reporters;
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
    batch.commit();
    QList<SettingReport> reports;
    for (const auto &reporter : reporters)
        reports.append(reporter());
    return reports;
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
        const std::optional<IdleChoice> choice = idleChoice(request.values, source);
        if (!choice) {
            missingValue = true;
            continue;
        }
        hibernateDropped = hibernateDropped || choice->hibernateDropped;
        choices.push_back(batch.add({ { kPowerSchema, prefix + u"type"_s, choice->type },
            { kPowerSchema, prefix + u"timeout"_s, choice->timeout } }));
    }
    const bool virtualMachine = m_virtualMachine;
    return [&batch, choices, missingValue, hibernateDropped, virtualMachine, values = request.values, settings] {
        KeyOutcome combined = missingValue ? KeyOutcome { Outcome::Failed, kNoValue } : KeyOutcome {};
        for (const std::size_t choice : choices)
            combined = worse(combined, batch.outcome(choice));
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
