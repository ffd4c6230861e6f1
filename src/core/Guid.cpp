// SPDX-License-Identifier: GPL-3.0-or-later
#include "Guid.h"

using Guid::guidToText;
using Guid::textToGuid;

namespace Guid {

namespace {

constexpr qsizetype kBracedLength = 38;

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool isDashPosition(qsizetype i)
{
    return i == 9 || i == 14 || i == 19 || i == 24;
}

} // namespace

QString guidToText(const QUuid &guid)
{
    return guid.toString(QUuid::WithBraces).toUpper();
}

std::optional<QUuid> textToGuid(const QString &text)
{
    if (text.size() != kBracedLength || text.front() != u'{' || text.back() != u'}')
        return std::nullopt;
    for (qsizetype i = 1; i < kBracedLength - 1; ++i) {
        const bool ok = isDashPosition(i) ? text.at(i) == u'-' : isHexDigit(text.at(i));
        if (!ok)
            return std::nullopt;
    }
    const QUuid parsed = QUuid::fromString(text);
    if (parsed.isNull() && text.mid(1, 36).remove(u'-').count(u'0') != 32)
        return std::nullopt;
    return parsed;
}

} // namespace Guid
