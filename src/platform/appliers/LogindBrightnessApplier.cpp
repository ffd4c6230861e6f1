// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogindBrightnessApplier.h"

#include "AppliedLedger.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
// logind resolves it to the caller's session, or to the user's graphical one for a process
// started outside any session (a user service).
const QString kAutoSession = QStringLiteral("/org/freedesktop/login1/session/auto");
constexpr int kCallTimeoutMs = 1500;

struct Backlight
{
    QString folder;
    QString name;
    quint32 maxBrightness = 0;
    int rank = 0;
};

QString readAttribute(const QDir &device, const QString &name)
{
    QFile file(device.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(64)).trimmed();
}

// Firmware interfaces (ACPI) know the panel's real range and work with every GPU driver; a raw
// register is the last resort, as desktops choose.
int rankOfType(const QString &type)
{
    if (type == u"firmware")
        return 0;
    if (type == u"platform")
        return 1;
    if (type == u"raw")
        return 2;
    return 3;
}

Backlight chooseBacklight(const QString &sysfsRoot)
{
    QString root = sysfsRoot;
    if (root.isEmpty())
        root = qEnvironmentVariable("AMPORA_SYSFS_ROOT", QStringLiteral("/sys"));
    const QDir folder(root + QStringLiteral("/class/backlight"));
    Backlight best;
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QDir device(folder.filePath(name));
        bool ok = false;
        const quint32 maxBrightness = readAttribute(device, QStringLiteral("max_brightness")).toUInt(&ok);
        if (!ok || maxBrightness == 0)
            continue;
        const int rank = rankOfType(readAttribute(device, QStringLiteral("type")));
        if (best.name.isEmpty() || rank < best.rank)
            best = { device.absolutePath(), name, maxBrightness, rank };
    }
    return best;
}

QDBusMessage call(const QDBusConnection &bus, QDBusMessage message)
{
    message.setInteractiveAuthorizationAllowed(false);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

// The session of XDG_SESSION_ID where the environment names one, else logind's own choice; empty
// when logind does not answer for it.
QString findSession(const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return {};
    QString path = kAutoSession;
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (!id.isEmpty()) {
        QDBusMessage getSession = QDBusMessage::createMethodCall(
            kLogindService, kManagerPath, kManagerInterface, QStringLiteral("GetSession"));
        getSession << id;
        const QDBusMessage reply = call(bus, getSession);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    }
    QDBusMessage getId = QDBusMessage::createMethodCall(
        kLogindService, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    getId << kSessionInterface << QStringLiteral("Id");
    return call(bus, getId).type() == QDBusMessage::ReplyMessage ? path : QString();
}

SettingReport refusal(const QDBusMessage &reply)
{
    const QString error = reply.errorName();
    if (error == u"org.freedesktop.DBus.Error.AccessDenied")
        return { Setting::Brightness, Outcome::NeedsAdministrator,
            QStringLiteral("logind lets only the session's owner set the brightness") };
    if (error == u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")
        return { Setting::Brightness, Outcome::NeedsAdministrator, QStringLiteral("logind asks for a password") };
    if (error == u"org.freedesktop.login1.NotYourDevice")
        return { Setting::Brightness, Outcome::Failed,
            QStringLiteral("the session is not in the foreground of its seat") };
    if (error == u"org.freedesktop.DBus.Error.UnknownObject" || error == u"org.freedesktop.login1.NoSuchSession")
        return { Setting::Brightness, Outcome::Failed, QStringLiteral("logind no longer knows the session") };
    if (error == u"org.freedesktop.DBus.Error.NoReply" || error == u"org.freedesktop.DBus.Error.Timeout"
        || error == u"org.freedesktop.DBus.Error.ServiceUnknown" || error == u"org.freedesktop.DBus.Error.Disconnected")
        return { Setting::Brightness, Outcome::Failed, QStringLiteral("logind did not answer") };
    return { Setting::Brightness, Outcome::Failed, QStringLiteral("logind refused: ") + reply.errorMessage() };
}

} // namespace

LogindBrightnessApplier::LogindBrightnessApplier(
    AppliedLedger &ledger, const QDBusConnection &systemBus, const QString &sysfsRoot)
    : m_ledger(ledger)
    , m_systemBus(systemBus)
{
    const Backlight backlight = chooseBacklight(sysfsRoot);
    if (backlight.name.isEmpty())
        return;
    m_sessionPath = findSession(m_systemBus);
    if (m_sessionPath.isEmpty())
        return;
    m_device = backlight.name;
    m_deviceFolder = backlight.folder;
    m_maxBrightness = backlight.maxBrightness;
}

QString LogindBrightnessApplier::name() const
{
    return QStringLiteral("logind");
}

QList<Setting> LogindBrightnessApplier::handles() const
{
    if (m_device.isEmpty())
        return {};
    return { Setting::Brightness };
}

QList<SettingReport> LogindBrightnessApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    QList<SettingReport> reports;
    for (Setting setting : settings) {
        if (setting == Setting::Brightness)
            reports.append(applyBrightness(request));
        else
            reports.append({ setting, Outcome::Failed, QStringLiteral("logind sets only the brightness") });
    }
    return reports;
}

SettingReport LogindBrightnessApplier::applyBrightness(const ApplyRequest &request) const
{
    if (m_device.isEmpty())
        return { Setting::Brightness, Outcome::NotOnThisMachine, QStringLiteral("no backlight logind can set") };
    const std::optional<quint32> percent = request.values.value(Setting::Brightness, request.source);
    if (!percent)
        return { Setting::Brightness, Outcome::Failed, QStringLiteral("the plan has no value for it") };
    // 0 % still leaves the screen readable: a black panel is what the display-off timeout is for.
    const quint64 scaled = quint64(std::min<quint32>(*percent, 100)) * m_maxBrightness / 100;
    const quint32 level = std::max<quint32>(1, quint32(scaled));

    // Like every other value: a level the user chose since Ampora set one is left alone.
    const QString ledgerKey = QStringLiteral("logind/backlight/") + m_device;
    const std::optional<quint32> current = currentLevel();
    if (request.reason == ApplyReason::Follow && current) {
        switch (m_ledger.verdict(ledgerKey, QString::number(*current))) {
        case AppliedLedger::Verdict::Follow:
            break;
        case AppliedLedger::Verdict::KeptByUser:
            return { Setting::Brightness, Outcome::ChangedOutsideAmpora,
                QStringLiteral("the user chose %1%").arg(quint64(*current) * 100 / m_maxBrightness) };
        case AppliedLedger::Verdict::Unknown:
            return {
                Setting::Brightness, Outcome::Failed,
                QStringLiteral("left as it is: what Ampora wrote before cannot be read (%1)").arg(m_ledger.readError())
            };
        }
    }
    if (const Result<> recorded = m_ledger.announce({ { ledgerKey, QString::number(level) } }, request.reason);
        !recorded) {
        return { Setting::Brightness, Outcome::Failed,
            QStringLiteral("not set, since Ampora cannot record it: ") + recorded.failure().message };
    }

    QDBusMessage setBrightness = QDBusMessage::createMethodCall(
        kLogindService, m_sessionPath, kSessionInterface, QStringLiteral("SetBrightness"));
    setBrightness << QStringLiteral("backlight") << m_device << level;
    const QDBusMessage reply = call(m_systemBus, setBrightness);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_ledger.abandon(ledgerKey);
        return refusal(reply);
    }
    // The driver may round: what the device holds is what a follow compares with.
    m_ledger.remember(ledgerKey, QString::number(currentLevel().value_or(level)));
    return { Setting::Brightness, Outcome::Applied, {} };
}

bool LogindBrightnessApplier::setLevel(quint32 level) const
{
    if (m_device.isEmpty())
        return false;
    QDBusMessage setBrightness = QDBusMessage::createMethodCall(
        kLogindService, m_sessionPath, kSessionInterface, QStringLiteral("SetBrightness"));
    setBrightness << QStringLiteral("backlight") << m_device << level;
    return call(m_systemBus, setBrightness).type() == QDBusMessage::ReplyMessage;
}

std::optional<quint32> LogindBrightnessApplier::currentLevel() const
{
    bool ok = false;
    const quint32 level = readAttribute(QDir(m_deviceFolder), QStringLiteral("brightness")).toUInt(&ok);
    return ok ? std::optional(level) : std::nullopt;
}
