// SPDX-License-Identifier: GPL-3.0-or-later
#include "SysfsBatteryStatusReader.h"

#include <QDir>
#include <QFile>
#include <QtNumeric>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// No battery a computer holds comes near a megawatt-hour, a megawatt or a mega-ampere; a counter
// beyond this (in µWh, µAh, µW or µA) is noise or a driver fault, never a reading. It also keeps
// every sum over the batteries far from the limits of qint64.
constexpr qint64 kMaxCounter = 1'000'000'000'000;
// Times beyond ten days come from a draw too small to measure, not from a battery.
constexpr qint64 kMaxSeconds = 240 * 3600;
// Charge counters drift a little past the full figure after a calibration; further is nonsense.
constexpr double kMaxOverfull = 1.1;

// What one power supply folder says, in the kernel's units (µWh, µAh, µW, µA, s). Every value has
// been checked: one that cannot be true is left empty, so the next source is asked instead.
struct Supply
{
    QString type;
    QString scope;
    QString status;
    std::optional<qint64> present;
    std::optional<qint64> online;
    std::optional<qint64> capacity;
    std::optional<qint64> energyNow, energyFull, powerNow;
    std::optional<qint64> chargeNow, chargeFull, currentNow;
    std::optional<qint64> timeToEmpty;

    bool isSystemBattery() const { return type == u"Battery" && scope != u"Device" && present.value_or(1) != 0; }
    bool counts() const { return scope != u"Device"; }
};

QString readText(const QDir &folder, const QString &name)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Attribute files are one short line; anything longer is not one of them.
    return QString::fromUtf8(file.read(256)).trimmed();
}

std::optional<qint64> readNumber(const QDir &folder, const QString &name)
{
    bool ok = false;
    const qint64 value = readText(folder, name).toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<qint64> readInRange(const QDir &folder, const QString &name, qint64 low, qint64 high)
{
    const std::optional<qint64> value = readNumber(folder, name);
    return value && *value >= low && *value <= high ? value : std::nullopt;
}

// Stored energy or charge: never below zero.
std::optional<qint64> readAmount(const QDir &folder, const QString &name)
{
    return readInRange(folder, name, 0, kMaxCounter);
}

// Power or current draw: some drivers give it a negative sign while discharging.
std::optional<qint64> readRate(const QDir &folder, const QString &name)
{
    const std::optional<qint64> value = readInRange(folder, name, -kMaxCounter, kMaxCounter);
    return value ? std::optional<qint64>(std::abs(*value)) : std::nullopt;
}

Supply readSupply(const QDir &folder)
{
    Supply s;
    s.type = readText(folder, QStringLiteral("type"));
    s.scope = readText(folder, QStringLiteral("scope"));
    s.status = readText(folder, QStringLiteral("status"));
    s.present = readNumber(folder, QStringLiteral("present"));
    s.online = readNumber(folder, QStringLiteral("online"));
    s.capacity = readInRange(folder, QStringLiteral("capacity"), 0, 100);
    s.energyNow = readAmount(folder, QStringLiteral("energy_now"));
    s.energyFull = readAmount(folder, QStringLiteral("energy_full"));
    s.powerNow = readRate(folder, QStringLiteral("power_now"));
    s.chargeNow = readAmount(folder, QStringLiteral("charge_now"));
    s.chargeFull = readAmount(folder, QStringLiteral("charge_full"));
    s.currentNow = readRate(folder, QStringLiteral("current_now"));
    // The kernel writes 0 when it has no estimate.
    s.timeToEmpty = readInRange(folder, QStringLiteral("time_to_empty_now"), 1, kMaxSeconds);
    return s;
}

// Sums one attribute over all batteries; empty unless every battery has it.
std::optional<qint64> sumOf(const QList<Supply> &batteries, std::optional<qint64> Supply::*member)
{
    qint64 sum = 0;
    for (const Supply &b : batteries) {
        if (!(b.*member) || qAddOverflow(sum, *(b.*member), &sum))
            return std::nullopt;
    }
    return sum;
}

std::optional<double> ratio(std::optional<qint64> numerator, std::optional<qint64> denominator)
{
    if (!numerator || !denominator || *denominator <= 0)
        return std::nullopt;
    return double(*numerator) / double(*denominator);
}

// The charge as a fraction of full, from "now" and "full" counters.
std::optional<double> levelOf(std::optional<qint64> now, std::optional<qint64> full)
{
    const std::optional<double> level = ratio(now, full);
    if (!level || *level > kMaxOverfull)
        return std::nullopt;
    return std::min(*level, 1.0);
}

quint8 percentOf(const QList<Supply> &batteries)
{
    std::optional<double> level;
    // One battery: the kernel's own figure. Several: weighted by their sizes where known.
    if (batteries.size() == 1)
        level = ratio(batteries.first().capacity, 100);
    if (!level)
        level = levelOf(sumOf(batteries, &Supply::energyNow), sumOf(batteries, &Supply::energyFull));
    if (!level)
        level = levelOf(sumOf(batteries, &Supply::chargeNow), sumOf(batteries, &Supply::chargeFull));
    if (!level)
        level = ratio(sumOf(batteries, &Supply::capacity), 100 * batteries.size());
    if (!level)
        return SystemPowerStatus::PercentUnknown;
    return quint8(std::lround(*level * 100.0));
}

// Seconds from hours, when they make a time a battery can last.
std::optional<qint64> secondsOf(std::optional<double> hours)
{
    if (!hours || !(*hours > 0.0) || *hours * 3600.0 > double(kMaxSeconds))
        return std::nullopt;
    const qint64 seconds = std::llround(*hours * 3600.0);
    return seconds > 0 ? std::optional<qint64>(seconds) : std::nullopt;
}

qint32 secondsLeftOf(const QList<Supply> &batteries)
{
    std::optional<qint64> seconds;
    if (batteries.size() == 1)
        seconds = batteries.first().timeToEmpty;
    if (!seconds)
        seconds = secondsOf(ratio(sumOf(batteries, &Supply::energyNow), sumOf(batteries, &Supply::powerNow)));
    if (!seconds)
        seconds = secondsOf(ratio(sumOf(batteries, &Supply::chargeNow), sumOf(batteries, &Supply::currentNow)));
    return seconds ? qint32(*seconds) : SystemPowerStatus::SecondsUnknown;
}

quint8 flagOf(const QList<Supply> &batteries, quint8 percent, bool charging)
{
    if (batteries.isEmpty())
        return SystemPowerStatus::FlagNoBattery;
    quint8 flag = charging ? SystemPowerStatus::FlagCharging : 0;
    if (percent == SystemPowerStatus::PercentUnknown)
        return charging ? flag : SystemPowerStatus::FlagUnknown;
    if (percent > 66)
        flag |= SystemPowerStatus::FlagHigh;
    if (percent < 33)
        flag |= SystemPowerStatus::FlagLow;
    if (percent < 5)
        flag |= SystemPowerStatus::FlagCritical;
    return flag;
}

bool anyStatus(const QList<Supply> &batteries, QStringView status)
{
    return std::any_of(batteries.begin(), batteries.end(), [&](const Supply &b) { return b.status == status; });
}

// Mains, USB and the like say whether they are online; without any of them, a discharging
// battery is the only sign of running on battery.
quint8 acLineOf(const QList<Supply> &sources, bool discharging)
{
    bool reported = false;
    for (const Supply &s : sources) {
        if (!s.online)
            continue;
        if (*s.online != 0)
            return 1;
        reported = true;
    }
    return reported || discharging ? 0 : 1;
}

} // namespace

SysfsBatteryStatusReader::SysfsBatteryStatusReader(const QString &sysfsRoot)
{
    QString root = sysfsRoot;
    if (root.isEmpty())
        root = qEnvironmentVariable("AMPORA_SYSFS_ROOT", QStringLiteral("/sys"));
    m_supplyFolder = root + QStringLiteral("/class/power_supply");
}

SystemPowerStatus SysfsBatteryStatusReader::read() const
{
    QList<Supply> batteries;
    QList<Supply> sources;
    const QDir folder(m_supplyFolder);
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const Supply supply = readSupply(QDir(folder.filePath(name)));
        if (supply.isSystemBattery())
            batteries.append(supply);
        else if (supply.counts() && supply.type != u"Battery")
            sources.append(supply);
    }

    const bool discharging = anyStatus(batteries, u"Discharging");
    SystemPowerStatus status;
    status.batteryLifePercent = batteries.isEmpty() ? SystemPowerStatus::PercentUnknown : percentOf(batteries);
    status.batteryFlag = flagOf(batteries, status.batteryLifePercent, anyStatus(batteries, u"Charging"));
    status.batteryLifeTime = discharging ? secondsLeftOf(batteries) : SystemPowerStatus::SecondsUnknown;
    status.acLineStatus = acLineOf(sources, discharging);
    return status;
}
