// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QByteArray>
#include <QString>

namespace RegularFile {

// Far more than any unit, desktop entry or settings file this program writes.
inline constexpr qint64 kTextLimit = 1024 * 1024;

// The whole content of path when it is a regular file (symbolic links followed) of at most limit
// bytes. A FIFO, device, socket or folder is never read: it could block or never end. Fails with
// NotFound when nothing is there, Invalid for anything but a regular file or a file over the
// limit, and Failed when it cannot be read; the message names the file and says why.
AMPORA_BASE_EXPORT Result<QByteArray> read(const QString &path, qint64 limit = kTextLimit);

} // namespace RegularFile
