// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatteryPopup.h"

#include "Profile.h"

using Profile::loadText;

namespace {

// Language texts of the page are read into a buffer of this many characters.
constexpr int kTextBuffer = 2500;

QString text(const QString &key)
{
    return loadText(key, kTextBuffer);
}

QString text(const char16_t *key)
{
    return loadText(key, kTextBuffer);
}

QString line(const QString &label, const QString &value)
{
    return label + u"\t: " + value + u'\n';
}

// No battery, or no reading of its level (255): not a number to show.
QString remainingText(const SystemPowerStatus &status)
{
    if (status.batteryFlag >= SystemPowerStatus::FlagNoBattery || status.batteryLifePercent > 100)
        return QStringLiteral("N/A");
    return QString::number(status.batteryLifePercent) + u'%';
}

} // namespace

BatteryPopup BatteryPopup::forStatus(const SystemPowerStatus &status)
{
    const QList<Line> lines = linesFor(status);
    BatteryPopup popup;
    popup.title = lines.first().label + u"\t: " + lines.first().value;
    for (qsizetype i = 1; i < lines.size(); ++i)
        popup.body += line(lines.at(i).label, lines.at(i).value);
    popup.accent = stateOf(status.batteryFlag, status.batteryLifePercent).accent;
    return popup;
}

QList<BatteryPopup::Line> BatteryPopup::linesFor(const SystemPowerStatus &status)
{
    const State state = stateOf(status.batteryFlag, status.batteryLifePercent);
    QList<Line> lines {
        { text(u"IDS_BATTERY_STATUS"), text(state.statusKey) },
        { text(u"IDS_POWER_SOURCE"), text(status.acLineStatus != 0 ? u"IDS_AC_POWER" : u"IDS_BATTERY") },
        { text(u"IDS_REMAINING"), remainingText(status) },
    };
    const QString duration = durationText(status.batteryLifeTime);
    if (!duration.isEmpty())
        lines.append({ text(u"IDS_LASTS_FOR"), duration });
    return lines;
}

BatteryPopup::State BatteryPopup::stateOf(quint8 flag, quint8 percent)
{
    if (flag == SystemPowerStatus::FlagUnknown)
        return { QStringLiteral("IDS_CANT_PREDICTED"), PopupAccent::Orange };
    if (flag == SystemPowerStatus::FlagNoBattery)
        return { QStringLiteral("IDS_NO_BATTERY"), PopupAccent::Orange };
    if (flag >= SystemPowerStatus::FlagCharging)
        // Only a reading of 100 is full; an unknown level (255) is still charging.
        return percent == 100 ? State { QStringLiteral("IDS_FULL_BATTERY"), PopupAccent::Green }
                              : State { QStringLiteral("IDS_CHARGING"), PopupAccent::Blue };
    if (percent <= 8)
        return { QStringLiteral("IDS_CRITICAL_BATTERY"), PopupAccent::Orange };
    if (percent <= 15)
        return { QStringLiteral("IDS_LOW_BATTERY"), PopupAccent::Yellow };
    if (percent == 100)
        return { QStringLiteral("IDS_FULL_BATTERY"), PopupAccent::Green };
    return { QStringLiteral("IDS_DISCHARGING"), PopupAccent::Blue };
}

QString BatteryPopup::durationText(qint32 seconds)
{
    if (seconds <= 0)
        return {};
    // Unit words are abbreviations ("h", "min", "s"), the same for one and for many.
    const auto amount
        = [](qint32 n, const char16_t *unit) -> QString { return QString::number(n) + u' ' + text(unit); };
    if (seconds < 60)
        return amount(seconds, u"IDS_SEC");
    const qint32 minutes = seconds / 60;
    if (minutes < 60)
        return amount(minutes, u"IDS_MIN");
    QString duration = amount(minutes / 60, u"IDS_HR");
    if (minutes % 60 != 0)
        duration += u' ' + amount(minutes % 60, u"IDS_MIN");
    return duration;
}
