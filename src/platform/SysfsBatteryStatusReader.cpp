#include "SysfsBatteryStatusReader.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// What one power supply folder says; values are in the kernel's units (µWh, µAh, µW, µA, s).
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

    bool isSystemBattery() const
    {
        return type == u"Battery" && scope != u"Device" && present.value_or(1) != 0;
    }
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

Supply readSupply(const QDir &folder)
{
    Supply s;
    s.type = readText(folder, QStringLiteral("type"));
    s.scope = readText(folder, QStringLiteral("scope"));
    s.status = readText(folder, QStringLiteral("status"));
    s.present = readNumber(folder, QStringLiteral("present"));
    s.online = readNumber(folder, QStringLiteral("online"));
    s.capacity = readNumber(folder, QStringLiteral("capacity"));
    s.energyNow = readNumber(folder, QStringLiteral("energy_now"));
    s.energyFull = readNumber(folder, QStringLiteral("energy_full"));
    s.powerNow = readNumber(folder, QStringLiteral("power_now"));
    s.chargeNow = readNumber(folder, QStringLiteral("charge_now"));
    s.chargeFull = readNumber(folder, QStringLiteral("charge_full"));
    s.currentNow = readNumber(folder, QStringLiteral("current_now"));
    s.timeToEmpty = readNumber(folder, QStringLiteral("time_to_empty_now"));
    return s;
}

// Sums one attribute over all batteries; empty unless every battery has it.
std::optional<qint64> sumOf(const QList<Supply> &batteries, std::optional<qint64> Supply::*member)
{
    qint64 sum = 0;
    for (const Supply &b : batteries) {
        if (!(b.*member))
            return std::nullopt;
        // Some drivers report the draw as a negative number while discharging.
        sum += std::llabs(*(b.*member));
    }
    return sum;
}

std::optional<double> ratio(std::optional<qint64> numerator, std::optional<qint64> denominator)
{
    if (!numerator || !denominator || *denominator <= 0)
        return std::nullopt;
    return double(*numerator) / double(*denominator);
}

quint8 percentOf(const QList<Supply> &batteries)
{
    std::optional<double> level;
    // One battery: the kernel's own figure. Several: weighted by their sizes where known.
    if (batteries.size() == 1)
        level = ratio(batteries.first().capacity, 100);
    if (!level)
        level = ratio(sumOf(batteries, &Supply::energyNow), sumOf(batteries, &Supply::energyFull));
    if (!level)
        level = ratio(sumOf(batteries, &Supply::chargeNow), sumOf(batteries, &Supply::chargeFull));
    if (!level)
        level = ratio(sumOf(batteries, &Supply::capacity), 100 * batteries.size());
    if (!level)
        return SystemPowerStatus::PercentUnknown;
    return quint8(std::clamp(std::lround(*level * 100.0), 0L, 100L));
}

qint32 secondsLeftOf(const QList<Supply> &batteries)
{
    std::optional<double> hours;
    if (batteries.size() == 1 && batteries.first().timeToEmpty)
        hours = double(*batteries.first().timeToEmpty) / 3600.0;
    if (!hours)
        hours = ratio(sumOf(batteries, &Supply::energyNow), sumOf(batteries, &Supply::powerNow));
    if (!hours)
        hours = ratio(sumOf(batteries, &Supply::chargeNow), sumOf(batteries, &Supply::currentNow));
    if (!hours || *hours <= 0.0 || *hours * 3600.0 > double(std::numeric_limits<qint32>::max()))
        return SystemPowerStatus::SecondsUnknown;
    return qint32(std::lround(*hours * 3600.0));
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
