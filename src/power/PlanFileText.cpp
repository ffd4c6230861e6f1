// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanFileText.h"

#include "PlanSettings.h"
#include "SettingText.h"

#include <QStringDecoder>

using PlanSettings::storedValue;
using PowerSettings::defaultPlans;
using PowerSettings::powerSettingRows;
using SettingText::parseValue;
using SettingText::settingName;
using SettingText::settingNamed;
using SettingText::settingNames;
using SettingText::valueForms;

using namespace Qt::Literals::StringLiterals;

namespace PlanFileText {

QList<SchemeChanges::Value> balancedValues()
{
    QList<SchemeChanges::Value> values;
    const SeedValues PowerSettingRow::*seed = defaultPlans().front().values;
    for (const PowerSettingRow &row : powerSettingRows()) {
        values.append({ PowerSource::Ac, row.subgroup, row.setting, (row.*seed).ac });
        values.append({ PowerSource::Dc, row.subgroup, row.setting, (row.*seed).dc });
    }
    return values;
}

qsizetype valuePosition(const PowerSettingRow &row, PowerSource source)
{
    return (&row - powerSettingRows().data()) * 2 + (source == PowerSource::Dc ? 1 : 0);
}

Result<Setting> readSetting(const QString &name, const QString &value)
{
    const PowerSettingRow *row = settingNamed(name.toLower());
    if (!row)
        return invalid(u"unknown setting \"%1\"; use one of %2"_s.arg(name, settingNames().join(u", "_s)));
    if (value.compare(u"unset"_s, Qt::CaseInsensitive) == 0)
        return Setting { row, kUnreadableValue };
    const std::optional<ShownValue> shown = parseValue(row->kind, value);
    if (!shown)
        return invalid(u"bad value \"%1\" for %2: %3"_s.arg(value, settingName(*row), valueForms(row->kind)));
    return Setting { row, storedValue(row->kind, *shown) };
}

void forEachLine(const QByteArray &bytes, const std::function<void(int, const std::optional<QString> &)> &read)
{
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray raw = lines.at(i);
        if (raw.endsWith('\r'))
            raw.chop(1);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        const QString line = decoder(raw);
        const bool readable = !decoder.hasError() && !line.contains(QChar(u'\0'));
        read(static_cast<int>(i + 1), readable ? std::optional(line.trimmed()) : std::nullopt);
    }
}

} // namespace PlanFileText
