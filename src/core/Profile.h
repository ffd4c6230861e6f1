// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QString>

// Lookups in the language and settings files. Both are read anew at every call, so an edited
// file takes effect at once. Everything lives in the section "Ampora".

namespace Profile {

// How many characters a language text may take, its terminator included: longer texts are cut.
inline constexpr int kLanguageTextBufferChars = 500;

// The language text of key, cut to bufferChars - 1 characters; empty when the key or file is
// missing.
AMPORA_BASE_EXPORT QString loadText(const QString &key, int bufferChars = kLanguageTextBufferChars);
AMPORA_BASE_EXPORT QString loadText(const char16_t *key, int bufferChars = kLanguageTextBufferChars);

// The raw value of a settings key (empty when missing); callers apply their own rule below.
AMPORA_BASE_EXPORT QString readSetting(const QString &key);
// Sets one key under the data lock and keeps the rest of the file; a file that is not valid text
// is moved aside first.
AMPORA_BASE_EXPORT Result<> writeSetting(const QString &key, const QString &value);

// Settings are compared exactly and case-sensitively. Most readers take only "TRUE" as on...
AMPORA_BASE_EXPORT bool isSettingTrue(const QString &value);
// ...while the command-line plan switch takes only "FALSE" as off.
AMPORA_BASE_EXPORT bool isSettingFalse(const QString &value);

// printf-style "%s" / "%d" filling of language texts, one argument per placeholder in order.
AMPORA_BASE_EXPORT QString formatText(const QString &format, const QString &argument);
AMPORA_BASE_EXPORT QString formatText(const QString &format, long long argument);

} // namespace Profile

namespace SettingKey {
inline const QString RunOnStartup = QStringLiteral("IDS_RUN_ON_STARTUP");
inline const QString RunMinimize = QStringLiteral("IDS_RUN_MINIMIZE");
inline const QString CloseToTray = QStringLiteral("IDS_CLOSE_TO_SYSTEM_TRAY");
inline const QString AutoManage = QStringLiteral("IDS_AUTO_MANAGE");
inline const QString NotifyPlanChanges = QStringLiteral("IDS_NOTIFY_PLAN_CHANGES");
inline const QString NotifyBatteryChanges = QStringLiteral("IDS_NOTIFY_BATTERY_CHANGES");
inline const QString Language = QStringLiteral("IDS_LANGUAGE");
inline const QString LanguageAbbreviation = QStringLiteral("IDS_LANGUAGE_ABR");
} // namespace SettingKey
