// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PlanSettings.h"
#include "PowerSettings.h"

#include <QString>
#include <QStringList>
#include <optional>

// The settings and their values as ampctl writes and reads them: short names for the rows
// ("lid", "display-off") and values in the units a person reads ("15min", "never", "suspend",
// "on", "70%"). Every text valueText gives, parseValue takes back to the same stored value.

namespace SettingText {

// The names in table order.
AMPORA_BASE_EXPORT QStringList settingNames();
AMPORA_BASE_EXPORT QString settingName(const PowerSettingRow &row);
// The row a name stands for, or none.
AMPORA_BASE_EXPORT const PowerSettingRow *settingNamed(const QString &name);

// A stored value as the plan editor would show it; "unset" for a value that could not be read
// (none) or that the editor shows as no choice.
AMPORA_BASE_EXPORT QString valueText(SettingKind kind, std::optional<quint32> stored);

// What the editor's control would hold for a text (storedValue turns it into the stored value);
// none when the text is not one of the forms valueForms names or is out of range.
AMPORA_BASE_EXPORT std::optional<ShownValue> parseValue(SettingKind kind, const QString &text);

// What parseValue accepts, worded for an error line: "use on or off".
AMPORA_BASE_EXPORT QString valueForms(SettingKind kind);

// The values of a kind that are words, for completing a command line: "suspend", "never", "on".
AMPORA_BASE_EXPORT QStringList valueWords(SettingKind kind);

} // namespace SettingText
