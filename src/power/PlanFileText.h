// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PowerPlatform.h"
#include "PowerSettings.h"
#include "Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// What every file that carries plans as text shares (a plan file, the system-wide plan file):
// its lines, and settings given as "display-off=15min" with the names and value texts ampctl
// uses (SettingText.h).
namespace PlanFileText {

// Every setting for both power sources as the Balanced plan starts: rows in table order, each
// with its AC value and then its DC value.
AMPORA_BASE_EXPORT QList<SchemeChanges::Value> balancedValues();
// Where a row's value for source sits in such a list.
AMPORA_BASE_EXPORT qsizetype valuePosition(const PowerSettingRow &row, PowerSource source);

struct Setting
{
    const PowerSettingRow *row = nullptr;
    quint32 stored = 0; // "unset" is kUnreadableValue
};
// One setting's name and value text, checked as set-value checks them; Invalid, worded for a
// file's line, when either is wrong.
AMPORA_BASE_EXPORT Result<Setting> readSetting(const QString &name, const QString &value);

// Calls read with each line's 1-based number and its text without the blanks around it, or none
// for a line that is not UTF-8 text. A byte order mark and carriage returns are no part of a line.
AMPORA_BASE_EXPORT void forEachLine(
    const QByteArray &bytes, const std::function<void(int number, const std::optional<QString> &text)> &read);

} // namespace PlanFileText
