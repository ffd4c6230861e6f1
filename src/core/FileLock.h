// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QString>
#include <chrono>

// An exclusive lock shared by the user's processes: flock() on a lock file that stays in place.
// The system lets go the moment its holder ends, however it ends, so a killed holder leaves
// nothing to clean up and no leftover files pile up. The lock file is only ever a regular file:
// a symbolic link planted in its place is removed, never followed.
class AMPORA_BASE_EXPORT FileLock
{
public:
    // Waits up to wait for another holder. A failure names the lock (what, such as "the data
    // lock", and path) with the system's reason, or the process that kept it too long.
    static Result<FileLock> acquire(const QString &path, const QString &what, std::chrono::milliseconds wait);

    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd);

    int m_fd = -1;
};
