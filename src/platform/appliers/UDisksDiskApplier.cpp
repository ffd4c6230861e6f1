// SPDX-License-Identifier: GPL-3.0-or-later
#include "UDisksDiskApplier.h"

#include "udisksdriveproxy.h"
#include "udisksmanagerproxy.h"

#include <QDBusMetaType>
#include <cmath>
using Outcomes::outcomeText;

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kService = u"org.freedesktop.UDisks2"_s;
const QString kManagerPath = u"/org/freedesktop/UDisks2"_s;
const QString kDriveInterface = u"org.freedesktop.UDisks2.Drive"_s;
const QString kAtaInterface = u"org.freedesktop.UDisks2.Drive.Ata"_s;

constexpr quint32 kShortStep = 5; // seconds, codes 1..240
constexpr quint32 kLongStep = 30 * 60; // seconds, codes 241..251
constexpr quint32 kLastShortCode = 240;
constexpr quint32 kLastLongCode = 251;
// Listing the drives is quick; the change waits while polkit's agent asks for the password.
constexpr int kListTimeoutMs = 10'000;
constexpr int kChangeTimeoutMs = 5 * 60'000;

QString durationText(quint32 seconds)
{
    QStringList parts;
    if (seconds >= 3600)
        parts.append(u"%1 h"_s.arg(seconds / 3600));
    if (seconds % 3600 >= 60)
        parts.append(u"%1 min"_s.arg(seconds % 3600 / 60));
    if (seconds % 60 != 0)
        parts.append(u"%1 s"_s.arg(seconds % 60));
    return parts.join(u' ');
}

bool isRefusal(const QString &errorName)
{
    return errorName.startsWith(u"org.freedesktop.UDisks2.Error.NotAuthorized");
}

bool isMissingService(const QString &errorName)
{
    return errorName == u"org.freedesktop.DBus.Error.ServiceUnknown"
        || errorName == u"org.freedesktop.DBus.Error.NameHasNoOwner";
}

QString driveName(const UDisksInterfaces &interfaces)
{
    const QVariantMap drive = interfaces.value(kDriveInterface);
    const QString model
        = QStringList { drive.value(u"Vendor"_s).toString().trimmed(), drive.value(u"Model"_s).toString().trimmed() }
              .join(u' ')
              .trimmed();
    const QString id = drive.value(u"Id"_s).toString();
    if (model.isEmpty())
        return id;
    return id.isEmpty() ? model : u"%1 (%2)"_s.arg(model, id);
}

// The order in which outcomes decide the summary: what needs the user first.
int severity(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Failed:
        return 3;
    case Outcome::NeedsAdministrator:
        return 2;
    case Outcome::Approximated:
        return 1;
    default:
        return 0;
    }
}

} // namespace

StandbyCode StandbyCode::forSeconds(quint32 seconds)
{
    if (seconds == 0)
        return { 0, true };
    // The nearest 5 s step up to 20 min, the nearest 30 min step above; between the two ranges
    // the nearer end wins.
    const quint32 shortCode = std::clamp<quint32>((seconds + kShortStep / 2) / kShortStep, 1, kLastShortCode);
    const quint32 longCode = std::clamp<quint32>(
        kLastShortCode + (seconds + kLongStep / 2) / kLongStep, kLastShortCode + 1, kLastLongCode);
    const auto distance
        = [seconds](StandbyCode candidate) { return std::abs(qint64(candidate.seconds()) - qint64(seconds)); };
    StandbyCode best { quint8(shortCode), false };
    if (const StandbyCode longer { quint8(longCode), false }; distance(longer) < distance(best))
        best = longer;
    best.exact = best.seconds() == seconds;
    return best;
}

quint32 StandbyCode::seconds() const
{
    if (code <= kLastShortCode)
        return code * kShortStep;
    return (code - kLastShortCode) * kLongStep;
}

UDisksDiskApplier::UDisksDiskApplier(const QDBusConnection &systemBus)
    : m_bus(systemBus)
{
    qDBusRegisterMetaType<UDisksInterfaces>();
    qDBusRegisterMetaType<UDisksObjects>();
}

QString UDisksDiskApplier::name() const
{
    return u"UDisks"_s;
}

QList<SettingReport> UDisksDiskApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    m_drives.clear();
    if (!settings.contains(Setting::DiskOff))
        return {};
    const std::optional<quint32> seconds = request.values.value(Setting::DiskOff, request.source);
    if (!seconds)
        return { { Setting::DiskOff, Outcome::Failed, u"the plan has no value for it"_s } };
    QString failure;
    const std::optional<QList<Drive>> drives = spinDownDrives(failure);
    if (!drives)
        return { { Setting::DiskOff, Outcome::NotOnThisMachine, failure } };
    if (drives->isEmpty()) {
        return { { Setting::DiskOff, Outcome::NotOnThisMachine,
            u"no disk here spins down by itself (solid-state disks do not)"_s } };
    }
    const StandbyCode code = StandbyCode::forSeconds(*seconds);
    for (const Drive &drive : *drives)
        m_drives.append(setStandby(drive, code));
    return { summary(code) };
}

std::optional<QList<UDisksDiskApplier::Drive>> UDisksDiskApplier::spinDownDrives(QString &failure)
{
    if (!m_bus.isConnected()) {
        failure = u"there is no system bus to reach UDisks"_s;
        return std::nullopt;
    }
    UDisksManagerProxy manager(kService, kManagerPath, m_bus);
    manager.setTimeout(kListTimeoutMs);
    QDBusPendingReply<UDisksObjects> reply = manager.GetManagedObjects();
    // isError() is false while the call is pending.
    reply.waitForFinished();
    if (reply.isError()) {
        failure = isMissingService(reply.error().name())
            ? u"UDisks is not running on this machine (the udisks2 package sets the disks' spin-down)"_s
            : u"UDisks did not list the drives: "_s + reply.error().message();
        return std::nullopt;
    }
    QList<Drive> drives;
    const UDisksObjects objects = reply.value();
    for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
        const QVariantMap ata = object.value().value(kAtaInterface);
        if (object.value().contains(kDriveInterface) && ata.value(u"PmSupported"_s).toBool())
            drives.append({ object.key().path(), driveName(object.value()) });
    }
    return drives;
}

DriveReport UDisksDiskApplier::setStandby(const Drive &drive, StandbyCode code)
{
    UDisksDriveProxy proxy(kService, drive.path, m_bus);
    proxy.setTimeout(kChangeTimeoutMs);
    // Asked for by the user: polkit may ask for the administrator's password.
    const QVariantMap options { { u"auth.no_user_interaction"_s, false } };
    QDBusPendingReply<> reply
        = proxy.SetConfiguration({ { u"ata-pm-standby"_s, QVariant::fromValue(qint32(code.code)) } }, options);
    reply.waitForFinished();
    if (!reply.isError())
        return { drive.name, code.exact ? Outcome::Applied : Outcome::Approximated, {} };
    if (isRefusal(reply.error().name()))
        return { drive.name, Outcome::NeedsAdministrator, u"the administrator's policy refused it"_s };
    return { drive.name, Outcome::Failed, reply.error().message() };
}

SettingReport UDisksDiskApplier::summary(StandbyCode code) const
{
    const auto worst = std::max_element(m_drives.cbegin(), m_drives.cend(),
        [](const DriveReport &a, const DriveReport &b) { return severity(a.outcome) < severity(b.outcome); });
    SettingReport report { Setting::DiskOff, worst->outcome, {} };
    if (worst->outcome == Outcome::Approximated) {
        report.detail = u"set to %1, the nearest time the disks take (5 s steps up to 20 min, then 30 min)"_s.arg(
            durationText(code.seconds()));
    } else if (worst->outcome != Outcome::Applied) {
        report.detail = m_drives.size() == 1 ? worst->detail : u"%1: %2"_s.arg(worst->drive, worst->detail);
    }
    return report;
}

namespace DiskReports {

QString driveReportText(const DriveReport &report)
{
    const QString outcome = outcomeText(report.outcome);
    const QString line = report.drive + u": "_s + outcome;
    return report.detail.isEmpty() ? line : line + u" ("_s + report.detail + u')';
}

} // namespace DiskReports
