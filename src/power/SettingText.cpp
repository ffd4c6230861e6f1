// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingText.h"

#include <QRegularExpression>
#include <array>

using PlanSettings::shownValue;
using PowerSettings::powerSettingRows;

using namespace Qt::Literals::StringLiterals;

namespace SettingText {

namespace {

// The action list's entries by index; "sleep" is taken as another word for suspend.
const QStringList kActionNames = { u"nothing"_s, u"suspend"_s, u"hibernate"_s, u"shutdown"_s };
const QStringList kLockNames = { u"off"_s, u"on"_s };
const QStringList kProfileNames = { u"power-saver"_s, u"balanced"_s, u"performance"_s };

const QStringList &entryNames(SettingKind kind)
{
    switch (kind) {
    case SettingKind::Lock:
        return kLockNames;
    case SettingKind::Profile:
        return kProfileNames;
    default:
        return kActionNames;
    }
}

constexpr int kMinutesPerHour = 60;

QString minutesText(int minutes)
{
    if (minutes == 0)
        return u"never"_s;
    const int hours = minutes / kMinutesPerHour;
    const int rest = minutes % kMinutesPerHour;
    if (hours == 0)
        return u"%1min"_s.arg(rest);
    return rest == 0 ? u"%1h"_s.arg(hours) : u"%1h %2min"_s.arg(hours).arg(rest);
}

// "never", "0", "15", "15min", "2h", "1h 30min"; the digits are bounded so no sum overflows.
std::optional<int> parseMinutes(const QString &text)
{
    if (text == u"never")
        return 0;
    static const QRegularExpression pattern(u"^(?:(\\d{1,9})\\s*h)?\\s*(?:(\\d{1,9})\\s*(?:min)?)?$"_s);
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch() || (!m.hasCaptured(1) && !m.hasCaptured(2)))
        return std::nullopt;
    const qint64 minutes = m.captured(1).toLongLong() * kMinutesPerHour + m.captured(2).toLongLong();
    if (minutes > kMaxTimeoutMinutes)
        return std::nullopt;
    return static_cast<int>(minutes);
}

std::optional<int> parsePercent(const QString &text)
{
    static const QRegularExpression pattern(u"^(\\d{1,9})\\s*%?$"_s);
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch() || m.captured(1).toInt() > kMaxBrightness)
        return std::nullopt;
    return m.captured(1).toInt();
}

std::optional<int> parseEntry(const QStringList &names, const QString &text)
{
    if (text == u"sleep" && names == kActionNames)
        return 1;
    const qsizetype index = names.indexOf(text);
    return index < 0 ? std::nullopt : std::optional<int>(static_cast<int>(index));
}

} // namespace

QStringList settingNames()
{
    QStringList names;
    for (const PowerSettingRow &row : powerSettingRows())
        names.append(settingName(row));
    return names;
}

QString settingName(const PowerSettingRow &row)
{
    return row.name.toString();
}

const PowerSettingRow *settingNamed(const QString &name)
{
    for (const PowerSettingRow &row : powerSettingRows()) {
        if (settingName(row) == name)
            return &row;
    }
    return nullptr;
}

QString valueText(SettingKind kind, std::optional<quint32> stored)
{
    if (!stored || *stored == kUnreadableValue)
        return u"unset"_s;
    const ShownValue shown = shownValue(kind, *stored);
    switch (kind) {
    case SettingKind::Action:
        return shown.selection ? kActionNames.at(*shown.selection) : u"unset"_s;
    case SettingKind::Lock:
    case SettingKind::Profile:
        return shown.selection ? entryNames(kind).at(*shown.selection) : u"unset"_s;
    case SettingKind::Timeout:
        return minutesText(shown.number);
    case SettingKind::Brightness:
        return u"%1%"_s.arg(shown.number);
    }
    return u"unset"_s;
}

std::optional<ShownValue> parseValue(SettingKind kind, const QString &rawText)
{
    const QString text = rawText.trimmed().toLower();
    ShownValue shown;
    switch (kind) {
    case SettingKind::Action:
    case SettingKind::Lock:
    case SettingKind::Profile:
        shown.selection = parseEntry(entryNames(kind), text);
        if (!shown.selection)
            return std::nullopt;
        break;
    case SettingKind::Timeout:
    case SettingKind::Brightness: {
        const std::optional<int> number = kind == SettingKind::Timeout ? parseMinutes(text) : parsePercent(text);
        if (!number)
            return std::nullopt;
        shown.number = *number;
        break;
    }
    }
    return shown;
}

QString valueForms(SettingKind kind)
{
    switch (kind) {
    case SettingKind::Action:
        return u"use nothing, suspend (or sleep), hibernate or shutdown"_s;
    case SettingKind::Lock:
        return u"use on or off"_s;
    case SettingKind::Profile:
        return u"use power-saver, balanced or performance"_s;
    case SettingKind::Timeout:
        return u"use never or whole minutes from 0 to %1, such as 15min, 90 or 1h 30min"_s.arg(kMaxTimeoutMinutes);
    case SettingKind::Brightness:
        return u"use a percentage from 0 to %1, such as 70%"_s.arg(kMaxBrightness);
    }
    return {};
}

QStringList valueWords(SettingKind kind)
{
    switch (kind) {
    case SettingKind::Action:
    case SettingKind::Lock:
    case SettingKind::Profile:
        return entryNames(kind);
    case SettingKind::Timeout:
        return { u"never"_s };
    case SettingKind::Brightness:
        break;
    }
    return {};
}

} // namespace SettingText
