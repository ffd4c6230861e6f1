// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlasmaApplier.h"

#include "AppliedLedger.h"
#include "KConfigFile.h"
#include "powermanagementproxy.h"
#include "screensaverproxy.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <array>
#include <climits>
using ApplySetting::allSettings;

using namespace Qt::StringLiterals;

namespace {

const QString kPlasma6Profiles = u"powerdevilrc"_s;
const QString kPlasma5Profiles = u"powermanagementprofilesrc"_s;
const QString kLocker = u"kscreenlockerrc"_s;
const QString kNoValue = u"the plan has no value for it"_s;
// The reread calls are sent without waiting; release() waits this long at most for them.
constexpr int kCallTimeoutMs = 2000;

// PowerDevil's actions for the plan's do nothing, sleep, hibernate and shut down.
constexpr std::array<int, 4> kActions { 0, 1, 2, 8 };
// SleepMode (Plasma 6) and suspendType (Plasma 5).
constexpr int kSuspendToRam = 1;
constexpr int kSuspendThenHibernate = 3;
constexpr int kSuspendToDisk = 2;
const QString kLowestBrightness = u"Plasma's lowest brightness is 1%"_s;
const std::array<QString, 3> kProfiles { u"power-saver"_s, u"balanced"_s, u"performance"_s };

struct Key
{
    KConfigFile::Group group;
    QString key;
    std::optional<QString> value; // none: Plasma 5's action is off, its group removed

    QString ledgerKey(const QString &file) const { return u"kconfig/%1/%2/%3"_s.arg(file, group.join(u'/'), key); }
    QString text() const { return value.value_or(QString()); }
};

// What one setting asks of one profile, or why it cannot be written.
struct Mapped
{
    QList<Key> keys;
    QString failure;
    QString approximation; // what Plasma does instead; for the idle pair, of the hibernate timeout
};

QString number(qint64 value)
{
    return QString::number(value);
}

QString flag(bool on)
{
    return on ? u"true"_s : u"false"_s;
}

} // namespace

struct PlasmaApplier::Choice
{
    QList<Setting> settings; // what it reports on
    QString file;
    QList<Key> keys;
    Outcome outcome = Outcome::Applied;
    QString detail; // why, when not applied
    QString approximation;
};

namespace {

Mapped mapPlasma6(Setting setting, const PlanValues &values, PowerSource source, const QString &profile)
{
    const quint32 value = *values.value(setting, source);
    const KConfigFile::Group display { profile, u"Display"_s };
    const KConfigFile::Group suspend { profile, u"SuspendAndShutdown"_s };
    const auto idle = [&](const QString &name) -> Mapped {
        if (value > INT_MAX)
            return { {}, u"%1 s is longer than Plasma can hold"_s.arg(value), {} };
        if (value == 0)
            return { { { display, name + u"WhenIdle"_s, flag(false) } }, {}, {} };
        return { { { display, name + u"WhenIdle"_s, flag(true) },
                     { display, name + u"IdleTimeoutSec"_s, number(value) } },
            {}, {} };
    };
    switch (setting) {
    case Setting::PowerButton:
    case Setting::Lid:
        if (value >= kActions.size())
            return { {}, u"%1 is not an action"_s.arg(value), {} };
        return { { { suspend, setting == Setting::Lid ? u"LidAction"_s : u"PowerButtonAction"_s,
                     number(kActions.at(value)) } },
            {}, {} };
    case Setting::Dim:
        return idle(u"DimDisplay"_s);
    case Setting::DisplayOff:
        return idle(u"TurnOffDisplay"_s);
    case Setting::Brightness:
        if (value > 100)
            return { {}, u"%1% is not a brightness"_s.arg(value), {} };
        return { { { display, u"UseProfileSpecificDisplayBrightness"_s, flag(true) },
                     { display, u"DisplayBrightness"_s, number(std::max(value, 1u)) } },
            {}, value == 0 ? kLowestBrightness : QString() };
    case Setting::PerformanceProfile:
        if (value >= kProfiles.size())
            return { {}, u"%1 is not a performance profile"_s.arg(value), {} };
        return { { { { profile, u"Performance"_s }, u"PowerProfile"_s, kProfiles.at(value) } }, {}, {} };
    default:
        break;
    }
    // Sleep and hibernate share PowerDevil's one idle action.
    const quint32 sleep = value;
    const quint32 hibernate = *values.value(Setting::HibernateIdle, source);
    const quint32 after = sleep != 0 ? sleep : hibernate;
    if (after > INT_MAX)
        return { {}, u"%1 s is longer than Plasma can hold"_s.arg(after), {} };
    if (after == 0)
        return { { { suspend, u"AutoSuspendAction"_s, number(0) } }, {}, {} };
    Mapped mapped { { { suspend, u"AutoSuspendAction"_s, number(kActions.at(sleep != 0 ? 1 : 2)) },
                        { suspend, u"AutoSuspendIdleTimeoutSec"_s, number(after) } },
        {}, {} };
    if (sleep != 0) {
        // The mode also decides how the power button and the lid sleep: written each time, so
        // a plan without hibernation takes back the suspend-then-hibernate of the one before.
        mapped.keys.append({ suspend, u"SleepMode"_s, number(hibernate != 0 ? kSuspendThenHibernate : kSuspendToRam) });
        if (hibernate != 0)
            mapped.approximation = u"Plasma sleeps, then hibernates after the system's delay (HibernateDelaySec)"_s;
    }
    return mapped;
}

Mapped mapPlasma5(Setting setting, const PlanValues &values, PowerSource source, const QString &profile)
{
    const quint32 value = *values.value(setting, source);
    const auto group = [&](const char16_t *name) { return KConfigFile::Group { profile, QString::fromUtf16(name) }; };
    // Plasma 5 counts most idle times in milliseconds, in a signed int.
    constexpr quint32 kLongestMs = INT_MAX / 1000;
    switch (setting) {
    case Setting::PowerButton:
    case Setting::Lid:
        if (value >= kActions.size())
            return { {}, u"%1 is not an action"_s.arg(value), {} };
        return { { { group(u"HandleButtonEvents"), setting == Setting::Lid ? u"lidAction"_s : u"powerButtonAction"_s,
                     number(kActions.at(value)) } },
            {}, {} };
    case Setting::Dim:
        if (value > kLongestMs)
            return { {}, u"%1 s is longer than Plasma can hold"_s.arg(value), {} };
        return { { { group(u"DimDisplay"), u"idleTime"_s,
                     value == 0 ? std::nullopt : std::optional(number(qint64(value) * 1000)) } },
            {}, {} };
    case Setting::DisplayOff: // in seconds, unlike the others
        if (value > INT_MAX)
            return { {}, u"%1 s is longer than Plasma can hold"_s.arg(value), {} };
        return { { { group(u"DPMSControl"), u"idleTime"_s, value == 0 ? std::nullopt : std::optional(number(value)) } },
            {}, {} };
    case Setting::Brightness:
        if (value > 100)
            return { {}, u"%1% is not a brightness"_s.arg(value), {} };
        return { { { group(u"BrightnessControl"), u"value"_s, number(std::max(value, 1u)) } }, {},
            value == 0 ? kLowestBrightness : QString() };
    case Setting::PerformanceProfile:
        if (value >= kProfiles.size())
            return { {}, u"%1 is not a performance profile"_s.arg(value), {} };
        return { { { group(u"PowerProfile"), u"profile"_s, kProfiles.at(value) } }, {}, {} };
    default:
        break;
    }
    const quint32 sleep = value;
    const quint32 hibernate = *values.value(Setting::HibernateIdle, source);
    const quint32 after = sleep != 0 ? sleep : hibernate;
    if (after > kLongestMs)
        return { {}, u"%1 s is longer than Plasma can hold"_s.arg(after), {} };
    const auto suspendKey = [&](const QString &key, const QString &text) {
        return Key { group(u"SuspendSession"), key, after == 0 ? std::nullopt : std::optional(text) };
    };
    Mapped mapped { { suspendKey(u"idleTime"_s, number(qint64(after) * 1000)),
                        suspendKey(u"suspendType"_s, number(sleep != 0 ? kSuspendToRam : kSuspendToDisk)),
                        suspendKey(u"suspendThenHibernate"_s, flag(sleep != 0 && hibernate != 0)) },
        {}, {} };
    if (sleep != 0 && hibernate != 0)
        mapped.approximation = u"Plasma sleeps, then hibernates after the system's delay (HibernateDelaySec)"_s;
    return mapped;
}

} // namespace

PlasmaApplier::PlasmaApplier(
    AppliedLedger &ledger, const QDBusConnection &sessionBus, Version version, QString configFolder)
    : m_ledger(ledger)
    , m_sessionBus(sessionBus)
    , m_version(version)
    , m_configFolder(configFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                            : std::move(configFolder))
{
}

PlasmaApplier::~PlasmaApplier()
{
    release();
}

PlasmaApplier::Version PlasmaApplier::sessionVersion(const QString &configFolder)
{
    const QByteArray session = qgetenv("KDE_SESSION_VERSION");
    if (session == "5")
        return Version::Plasma5;
    if (session == "6")
        return Version::Plasma6;
    // Plasma 6 moves Plasma 5's profiles into its own file once and notes it in the old one.
    const QString folder = configFolder.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        : configFolder;
    const Result<KConfigFile> old = KConfigFile::read(folder + u'/' + kPlasma5Profiles);
    if (old && old->hasGroups() && !old->value({ u"Migration"_s }, u"MigratedProfilesToPlasma6"_s))
        return Version::Plasma5;
    return Version::Plasma6;
}

QString PlasmaApplier::profilesPath() const
{
    return m_configFolder + u'/' + (m_version == Version::Plasma6 ? kPlasma6Profiles : kPlasma5Profiles);
}

QString PlasmaApplier::name() const
{
    return m_version == Version::Plasma6 ? u"Plasma 6"_s : u"Plasma 5"_s;
}

QList<Setting> PlasmaApplier::handles() const
{
    // The disk timeout is the system's, not Plasma's.
    QList<Setting> settings = allSettings();
    settings.removeOne(Setting::DiskOff);
    return settings;
}

std::vector<PlasmaApplier::Choice> PlasmaApplier::plan(
    const ApplyRequest &request, const QList<Setting> &settings) const
{
    const QString profilesFile = QFileInfo(profilesPath()).fileName();
    std::vector<Choice> choices;
    for (const Setting setting : settings) {
        if (setting == Setting::HibernateIdle && settings.contains(Setting::SleepIdle))
            continue; // planned with sleep
        Choice &choice = choices.emplace_back();
        choice.settings = { setting };
        if (setting == Setting::SleepIdle && settings.contains(Setting::HibernateIdle))
            choice.settings.append(Setting::HibernateIdle);
        if (setting == Setting::SleepButton) {
            choice.outcome = Outcome::FixedByDesktop;
            choice.detail = u"Plasma always sleeps on the sleep key"_s;
            continue;
        }
        if (setting == Setting::DiskOff) {
            choice.outcome = Outcome::NotOnThisDesktop;
            choice.detail = u"Plasma does not set it"_s;
            continue;
        }
        if (setting == Setting::LockOnWake) {
            const std::optional<quint32> lock = request.values.value(setting, request.source);
            choice.file = kLocker;
            if (lock)
                choice.keys = { { { u"Daemon"_s }, u"LockOnResume"_s, flag(*lock != 0) } };
            else
                choice = { choice.settings, kLocker, {}, Outcome::Failed, kNoValue, {} };
            continue;
        }
        choice.file = profilesFile;
        const QList<Setting> needed = setting == Setting::SleepIdle || setting == Setting::HibernateIdle
            ? QList<Setting> { Setting::SleepIdle, Setting::HibernateIdle }
            : QList<Setting> { setting };
        for (const Setting value : needed) {
            for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
                if (!request.values.value(value, source)) {
                    choice.outcome = Outcome::Failed;
                    choice.detail = kNoValue;
                }
            }
        }
        if (choice.outcome != Outcome::Applied)
            continue;
        // Plasma keeps a profile per source and switches itself: both are written every time.
        const Setting mapped = setting == Setting::HibernateIdle ? Setting::SleepIdle : setting;
        for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
            const QString profile = source == PowerSource::Ac ? u"AC"_s : u"Battery"_s;
            const Mapped keys = m_version == Version::Plasma6 ? mapPlasma6(mapped, request.values, source, profile)
                                                              : mapPlasma5(mapped, request.values, source, profile);
            if (!keys.failure.isEmpty()) {
                choice = { choice.settings, profilesFile, {}, Outcome::Failed, keys.failure, {} };
                break;
            }
            choice.keys.append(keys.keys);
            if (!keys.approximation.isEmpty())
                choice.approximation = keys.approximation;
        }
    }
    return choices;
}

QList<SettingReport> PlasmaApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    std::vector<Choice> choices = plan(request, settings);
    write(choices, QFileInfo(profilesPath()).fileName(), request.reason);
    write(choices, kLocker, request.reason);

    QList<SettingReport> reports;
    for (const Choice &choice : choices) {
        for (const Setting setting : choice.settings) {
            // Plasma comes close to a choice's last setting: hibernation of the idle pair.
            if (choice.outcome == Outcome::Applied && !choice.approximation.isEmpty()
                && setting == choice.settings.last())
                reports.append({ setting, Outcome::Approximated, choice.approximation });
            else
                reports.append({ setting, choice.outcome, choice.detail });
        }
    }
    return reports;
}

// Reads file, leaves alone on a follow what the user changed since, records what is about to be
// written, writes it under KConfig's lock and keeps only what the file then holds.
void PlasmaApplier::write(std::vector<Choice> &choices, const QString &file, ApplyReason reason)
{
    std::vector<std::reference_wrapper<Choice>> pending;
    for (Choice &choice : choices) {
        if (choice.file == file && choice.outcome == Outcome::Applied && !choice.keys.isEmpty())
            pending.emplace_back(choice);
    }
    if (pending.empty())
        return;
    const auto failAll = [&](const QString &why) {
        for (Choice &choice : pending) {
            if (choice.outcome == Outcome::Applied) {
                choice.outcome = Outcome::Failed;
                choice.detail = why;
            }
        }
    };
    const QString path = m_configFolder + u'/' + file;
    const Result<KConfigFile> before = KConfigFile::read(path);
    if (!before)
        return failAll(before.failure().message);
    // Plasma 5 makes its profiles only into an empty file: written before it, they would stay
    // without the low-battery one.
    if (file == kPlasma5Profiles && !before->hasGroups())
        return failAll(u"Plasma has not made its power profiles yet (%1 has none)"_s.arg(path));

    QList<std::pair<QString, QString>> announced;
    for (Choice &choice : pending) {
        for (const Key &key : std::as_const(choice.keys)) {
            const QString current = before->value(key.group, key.key).value_or(QString());
            if (reason == ApplyReason::Follow && choice.outcome == Outcome::Applied) {
                switch (m_ledger.verdict(key.ledgerKey(file), current)) {
                case AppliedLedger::Verdict::Follow:
                    break;
                case AppliedLedger::Verdict::KeptByUser:
                    choice.outcome = Outcome::ChangedOutsideAmpora;
                    choice.detail = current.isEmpty()
                        ? u"the user turned off %1 in Plasma's settings"_s.arg(key.group.join(u'/'))
                        : u"the user chose %1 for %2"_s.arg(current, key.group.join(u'/') + u'/' + key.key);
                    break;
                case AppliedLedger::Verdict::Unknown:
                    choice.outcome = Outcome::Failed;
                    choice.detail
                        = u"left as it is: what Ampora wrote before cannot be read (%1); choosing a plan writes it again"_s
                              .arg(m_ledger.readError());
                    break;
                }
            }
        }
        if (choice.outcome == Outcome::Applied) {
            for (const Key &key : std::as_const(choice.keys))
                announced.append({ key.ledgerKey(file), key.text() });
        }
    }
    std::erase_if(pending, [](const Choice &choice) { return choice.outcome != Outcome::Applied; });
    if (pending.empty())
        return;
    if (const Result<> recorded = m_ledger.announce(announced, reason); !recorded)
        return failAll(u"not written, since Ampora cannot record it: "_s + recorded.failure().message);

    // A new file reads as Plasma writes it: the mains profile's groups first, then the battery's.
    std::vector<Key> keys;
    for (const Choice &choice : pending)
        keys.insert(keys.end(), choice.keys.cbegin(), choice.keys.cend());
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return a.group < b.group; });
    const Result<KConfigFile> written = KConfigFile::update(path, [&](KConfigFile &config) {
        for (const Key &key : keys) {
            if (key.value)
                config.setValue(key.group, key.key, *key.value);
            else
                config.removeGroup(key.group);
        }
    });
    const Result<KConfigFile> after = written ? KConfigFile::read(path) : written;
    for (Choice &choice : pending) {
        for (const Key &key : std::as_const(choice.keys)) {
            const std::optional<QString> now = after ? after->value(key.group, key.key) : std::nullopt;
            if (!after) {
                choice.outcome = Outcome::Failed;
                choice.detail = after.failure().message;
            } else if (now != key.value) {
                choice.outcome = Outcome::Failed;
                choice.detail = u"not confirmed: %1 holds %2 for %3"_s.arg(
                    file, now.value_or(u"nothing"_s), key.group.join(u'/') + u'/' + key.key);
            }
        }
        for (const Key &key : std::as_const(choice.keys)) {
            if (choice.outcome == Outcome::Applied)
                m_ledger.remember(key.ledgerKey(file), key.text());
            else
                m_ledger.abandon(key.ledgerKey(file));
        }
    }
    if (!written || !written->isChanged() || !m_sessionBus.isConnected())
        return;
    std::erase_if(m_pending, [](const QDBusPendingCall &call) { return call.isFinished(); });
    if (file == kLocker) {
        ScreenSaverProxy locker(u"org.kde.screensaver"_s, u"/ScreenSaver"_s, m_sessionBus);
        locker.setTimeout(kCallTimeoutMs);
        m_pending.push_back(locker.configure());
    } else {
        PowerManagementProxy powerDevil(
            u"org.kde.Solid.PowerManagement"_s, u"/org/kde/Solid/PowerManagement"_s, m_sessionBus);
        powerDevil.setTimeout(kCallTimeoutMs);
        m_pending.push_back(powerDevil.refreshStatus());
    }
}

void PlasmaApplier::release()
{
    for (QDBusPendingCall &call : m_pending)
        call.waitForFinished();
    m_pending.clear();
}
