#include "BatteryPopup.h"

#include "Profile.h"

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

} // namespace

BatteryPopup BatteryPopup::forStatus(const SystemPowerStatus &status)
{
    const QString source = text(status.acLineStatus != 0 ? u"IDS_AC_POWER" : u"IDS_BATTERY");
    const QString remaining = status.batteryFlag >= SystemPowerStatus::FlagNoBattery
                                  ? QStringLiteral("N/A")
                                  : QString::number(status.batteryLifePercent) + u'%';
    const State state = stateOf(status.batteryFlag, status.batteryLifePercent);

    BatteryPopup popup;
    popup.body = line(text(u"IDS_POWER_SOURCE"), source) + line(text(u"IDS_REMAINING"), remaining)
                 + lastsForLine(status.batteryLifeTime);
    popup.title = text(u"IDS_BATTERY_STATUS") + u"\t: " + text(state.statusKey);
    popup.picture = state.picture;
    return popup;
}

BatteryPopup::State BatteryPopup::stateOf(quint8 flag, quint8 percent)
{
    if (flag == SystemPowerStatus::FlagUnknown)
        return {QStringLiteral("IDS_CANT_PREDICTED"), 10};
    if (flag == SystemPowerStatus::FlagNoBattery)
        return {QStringLiteral("IDS_NO_BATTERY"), 8};
    if (flag >= SystemPowerStatus::FlagCharging)
        return percent < 100 ? State{QStringLiteral("IDS_CHARGING"), 1} : State{QStringLiteral("IDS_FULL_BATTERY"), 2};
    if (percent <= 8)
        return {QStringLiteral("IDS_CRITICAL_BATTERY"), 7};
    if (percent <= 15)
        return {QStringLiteral("IDS_LOW_BATTERY"), 6};
    if (percent == 100)
        return {QStringLiteral("IDS_FULL_BATTERY"), 2};
    if (percent >= 66)
        return {QStringLiteral("IDS_DISCHARGING"), 3};
    if (percent >= 50)
        return {QStringLiteral("IDS_DISCHARGING"), 4};
    return {QStringLiteral("IDS_DISCHARGING"), 5};
}

QString BatteryPopup::lastsForLine(qint32 seconds)
{
    if (seconds <= 0)
        return {};
    // Hours only above 60 whole minutes, minutes only above 60 seconds: 3,600 s reads as 60 minutes.
    qint32 n = seconds;
    qint32 restMinutes = 0;
    const char16_t *unit = u"IDS_SEC";
    if (n > 60) {
        n /= 60;
        unit = u"IDS_MIN";
        if (n > 60) {
            restMinutes = n % 60;
            n /= 60;
            unit = u"IDS_HR";
        }
    }
    QString value = QString::number(n) + u' ' + text(unit);
    if (restMinutes > 0)
        value += u' ' + QString::number(restMinutes) + u' ' + text(u"IDS_MIN");
    return line(text(u"IDS_LASTS_FOR"), value);
}
