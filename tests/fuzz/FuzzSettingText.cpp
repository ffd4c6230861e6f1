// SPDX-License-Identifier: GPL-3.0-or-later
// ampctl's value texts: whatever parseValue accepts is in range and shown again as a text that
// parses to the same stored value; every stored value's text parses back to it as the editor
// shows it.
#include "FuzzCheck.h"
#include "PlanSettings.h"
#include "SettingText.h"

#include <cstring>

using PlanSettings::shownValue;
using PlanSettings::storedValue;
using SettingText::parseValue;
using SettingText::settingName;
using SettingText::settingNamed;
using SettingText::valueText;

namespace {

void checkTextOf(SettingKind kind, quint32 stored)
{
    const QString text = valueText(kind, stored);
    if (text == u"unset")
        return;
    const std::optional<ShownValue> parsed = parseValue(kind, text);
    fuzzCheck(parsed.has_value(), "ampctl cannot read a value it wrote");
    fuzzCheck(storedValue(kind, *parsed) == storedValue(kind, shownValue(kind, stored)),
        "a value read back as another value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    constexpr SettingKind kinds[] = { SettingKind::Action, SettingKind::Timeout, SettingKind::Lock,
        SettingKind::Brightness, SettingKind::Profile };
    const SettingKind kind = kinds[data[0] % std::size(kinds)];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const std::optional<ShownValue> shown = parseValue(kind, QString::fromUtf8(rest));
    if (shown) {
        const quint32 stored = storedValue(kind, *shown);
        fuzzCheck(stored != kUnreadableValue, "an accepted text stores the unreadable value");
        fuzzCheck(shownValue(kind, stored) == *shown, "an accepted text is out of the control's range");
        checkTextOf(kind, stored);
    }
    if (rest.size() >= 4) {
        quint32 stored = 0;
        std::memcpy(&stored, rest.constData(), sizeof stored);
        checkTextOf(kind, stored);
    }
    // A setting's name is looked up exactly.
    if (const PowerSettingRow *row = settingNamed(QString::fromUtf8(rest)))
        fuzzCheck(settingName(*row) == QString::fromUtf8(rest), "a name found another setting");
    return 0;
}
