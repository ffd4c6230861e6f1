// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QString>
#include <QUuid>
#include <optional>

namespace Guid {

// Plans, tasks and networks are identified by GUIDs written in the 38-character braced
// upper-case form, e.g. {381B4222-F694-41F0-9685-FF5BB260DF2E}.
AMPORA_BASE_EXPORT QString guidToText(const QUuid &guid);

// Strict parser for the braced form: exactly 38 characters, braces, dashes at their places and
// hex digits (either case) everywhere else. Anything looser (no braces, a trailing blank, an
// embedded NUL) gives nothing.
AMPORA_BASE_EXPORT std::optional<QUuid> textToGuid(const QString &text);

} // namespace Guid
