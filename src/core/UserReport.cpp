// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserReport.h"

#include <cerrno>
#include <unistd.h>

using UserReport::reportToUser;

namespace UserReport {

void reportToUser(const QString &line)
{
    QByteArray bytes = line.toUtf8();
    bytes.append('\n');
    // One write call so that lines of concurrent processes do not interleave; a short write
    // (a pipe filling up) is finished, an interrupted one retried.
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        const ssize_t written = ::write(STDERR_FILENO, bytes.constData() + offset, size_t(bytes.size() - offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // nowhere left to tell anyone
        offset += written;
    }
}

} // namespace UserReport
