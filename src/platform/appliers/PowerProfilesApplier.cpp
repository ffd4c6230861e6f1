// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerProfilesApplier.h"

#include "AppliedLedger.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QVariantMap>
#include <array>

namespace {

// Long enough for the daemon to ask polkit, short enough that a stuck daemon never holds up a plan
// switch.
constexpr int kCallTimeoutMs = 2000;
constexpr int kProbeTimeoutMs = 1000;

const QString kLedgerKey = QStringLiteral("power-profiles-daemon/ActiveProfile");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kActiveProfile = QStringLiteral("ActiveProfile");

struct DaemonName
{
    const char16_t *service; // also the interface name
    const char16_t *path;
};
// 0.20 and later serve both names; the older one is kept there for compatibility only.
constexpr std::array<DaemonName, 2> kDaemonNames { {
    { u"org.freedesktop.UPower.PowerProfiles", u"/org/freedesktop/UPower/PowerProfiles" },
    { u"net.hadess.PowerProfiles", u"/net/hadess/PowerProfiles" },
} };

// By the plan's value index.
constexpr std::array<const char16_t *, 3> kProfiles { u"power-saver", u"balanced", u"performance" };

SettingReport report(Outcome outcome, const QString &detail = {})
{
    return { Setting::PerformanceProfile, outcome, detail };
}

// Refusals of polkit without a prompt, as the daemon passes them on.
bool isRefusal(const QString &errorName)
{
    return errorName == u"org.freedesktop.DBus.Error.AccessDenied"
        || errorName == u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"
        || errorName.startsWith(u"org.freedesktop.PolicyKit1.Error.");
}

QString errorText(const QDBusMessage &reply)
{
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

// The signature is checked first: a daemon that sends another type must not make the
// demarshaller read something else.
QList<QVariantMap> mapList(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != u"aa{sv}")
        return {};
    QList<QVariantMap> maps;
    argument >> maps;
    return maps;
}

QString holdText(const QVariantMap &hold)
{
    const QString holder = hold.value(QStringLiteral("ApplicationId")).toString();
    return QStringLiteral("%1 holds %2: %3")
        .arg(holder.isEmpty() ? QStringLiteral("another program") : holder,
            hold.value(QStringLiteral("Profile")).toString(), hold.value(QStringLiteral("Reason")).toString());
}

} // namespace

PowerProfilesApplier::PowerProfilesApplier(AppliedLedger &ledger, const QDBusConnection &systemBus)
    : m_ledger(ledger)
    , m_systemBus(systemBus)
{
    probe();
}

// A daemon that started after Ampora, or that the bus starts on the first call, is found too.
void PowerProfilesApplier::probe()
{
    m_service.clear();
    m_path.clear();
    if (!m_systemBus.isConnected())
        return;
    const QStringList activatable = busNames(QStringLiteral("ListActivatableNames"));
    for (const bool running : { true, false }) {
        for (const DaemonName &daemon : kDaemonNames) {
            const QString service = QString::fromUtf16(daemon.service);
            if (running ? nameHasOwner(service) : activatable.contains(service)) {
                m_service = service;
                m_path = QString::fromUtf16(daemon.path);
                return;
            }
        }
    }
}

QString PowerProfilesApplier::name() const
{
    return QStringLiteral("power-profiles-daemon");
}

QList<Setting> PowerProfilesApplier::handles() const
{
    if (m_service.isEmpty())
        return {};
    return { Setting::PerformanceProfile };
}

QList<SettingReport> PowerProfilesApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    QList<SettingReport> reports;
    if (settings.contains(Setting::PerformanceProfile))
        reports.append(applyProfile(request));
    return reports;
}

QStringList PowerProfilesApplier::busNames(const QString &method) const
{
    const QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"), method);
    const QDBusMessage reply = m_systemBus.call(message, QDBus::Block, kProbeTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toStringList() : QStringList();
}

bool PowerProfilesApplier::nameHasOwner(const QString &service) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("NameHasOwner"));
    message.setArguments({ service });
    const QDBusMessage reply = m_systemBus.call(message, QDBus::Block, kProbeTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

SettingReport PowerProfilesApplier::applyProfile(const ApplyRequest &request) const
{
    if (m_service.isEmpty())
        return report(Outcome::NotOnThisDesktop, QStringLiteral("power-profiles-daemon is not running"));
    const std::optional<quint32> value = request.values.value(Setting::PerformanceProfile, request.source);
    if (!value)
        return report(Outcome::Failed, QStringLiteral("the plan has no value for it"));
    if (*value >= kProfiles.size())
        return report(Outcome::Failed, QStringLiteral("the plan holds %1, which is no profile").arg(*value));
    const QString wanted = QString::fromUtf16(kProfiles.at(*value));

    const DaemonState state = readState();
    if (!state.error.isEmpty())
        return report(Outcome::Failed, state.error);
    if (!state.offered.contains(wanted))
        return report(Outcome::NotOnThisMachine, QStringLiteral("this machine has no %1 profile").arg(wanted));
    // Setting ActiveProfile would cancel every hold, such as GNOME's power saver on low battery.
    if (!state.holds.isEmpty())
        return report(Outcome::ChangedOutsideAmpora, state.holds.join(QStringLiteral("; ")));
    if (request.reason == ApplyReason::Follow) {
        switch (m_ledger.verdict(kLedgerKey, state.active)) {
        case AppliedLedger::Verdict::Follow:
            break;
        case AppliedLedger::Verdict::KeptByUser:
            return report(Outcome::ChangedOutsideAmpora, QStringLiteral("set to %1 outside Ampora").arg(state.active));
        case AppliedLedger::Verdict::Unknown:
            return report(Outcome::Failed,
                QStringLiteral("left as it is: what Ampora wrote before cannot be read (%1)")
                    .arg(m_ledger.readError()));
        }
    }
    if (state.active == wanted)
        return remembered(wanted);
    if (const Result<> recorded = m_ledger.announce({ { kLedgerKey, wanted } }, request.reason); !recorded)
        return report(
            Outcome::Failed, QStringLiteral("not set, since Ampora cannot record it: ") + recorded.failure().message);
    return writeProfile(wanted);
}

PowerProfilesApplier::DaemonState PowerProfilesApplier::readState() const
{
    DaemonState state;
    QDBusMessage getAll
        = QDBusMessage::createMethodCall(m_service, m_path, kPropertiesInterface, QStringLiteral("GetAll"));
    getAll.setArguments({ m_service });
    const QDBusMessage reply = call(getAll);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        state.error = errorText(reply);
        return state;
    }
    if (reply.signature() != u"a{sv}") {
        state.error = QStringLiteral("power-profiles-daemon answered with %1").arg(reply.signature());
        return state;
    }
    const auto properties = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    state.active = properties.value(kActiveProfile).toString();
    for (const QVariantMap &profile : mapList(properties.value(QStringLiteral("Profiles"))))
        state.offered.append(profile.value(QStringLiteral("Profile")).toString());
    for (const QVariantMap &hold : mapList(properties.value(QStringLiteral("ActiveProfileHolds"))))
        state.holds.append(holdText(hold));
    return state;
}

QDBusMessage PowerProfilesApplier::call(QDBusMessage message) const
{
    // Nothing Ampora applies may put up a password prompt.
    message.setInteractiveAuthorizationAllowed(false);
    return m_systemBus.call(message, QDBus::Block, kCallTimeoutMs);
}

SettingReport PowerProfilesApplier::writeProfile(const QString &profile) const
{
    QDBusMessage set = QDBusMessage::createMethodCall(m_service, m_path, kPropertiesInterface, QStringLiteral("Set"));
    set.setArguments({ m_service, kActiveProfile, QVariant::fromValue(QDBusVariant(profile)) });
    const QDBusMessage reply = call(set);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return remembered(profile);
    // A daemon that did not answer may still switch; one that refused did not.
    if (reply.errorName() != u"org.freedesktop.DBus.Error.NoReply")
        m_ledger.abandon(kLedgerKey);
    if (isRefusal(reply.errorName()))
        return report(
            Outcome::NeedsAdministrator, QStringLiteral("the system's policy does not let this user switch it"));
    return report(Outcome::Failed, errorText(reply));
}

SettingReport PowerProfilesApplier::remembered(const QString &profile) const
{
    m_ledger.remember(kLedgerKey, profile);
    return report(Outcome::Applied);
}
