// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QString>
#include <memory>

class FileLock;

// The one lock that every process of the user takes before changing a file that other Ampora
// processes change too: the network schedule file, the settings file, the task units and
// autostart entries. A change reads the file again once it holds the lock and writes it before
// letting go, so two writers never lose each other's work. Reads take no lock: every file is
// replaced atomically, so a reader sees the old or the new file, never half of one.
//
// The lock is a FileLock on data.lock in the data folder (sharedStrings().dataFolder). It is not
// recursive: taking it again on a thread that holds it fails at once instead of waiting for
// itself, so a locked operation must never call another one, unless the outer one was taken with
// acquireForSeveral(). (The scheme store keeps a lock of its own, always taken after this one,
// never before.)
class AMPORA_BASE_EXPORT DataLock
{
public:
    // Waits a few seconds at most. A holder that died leaves no lock behind.
    static Result<DataLock> acquire();
    // Holds the lock across a check and the changes that depend on it (a plan is still there,
    // then a schedule for it is written): changes made on this thread while it is held take
    // part in it instead of failing.
    static Result<DataLock> acquireForSeveral();

    // The lock file, for messages and tests.
    static QString path();

    DataLock(DataLock &&other) noexcept;
    DataLock &operator=(DataLock &&) = delete;
    ~DataLock();

private:
    explicit DataLock(std::unique_ptr<FileLock> file);
    static Result<DataLock> take(bool forSeveral);

    std::unique_ptr<FileLock> m_file; // null for a change taking part in an outer one
};

// Runs change while holding the lock; a lock that cannot be taken is change's failure.
template <typename Change> auto underDataLock(Change &&change) -> decltype(change())
{
    const Result<DataLock> lock = DataLock::acquire();
    if (!lock)
        return lock.failure();
    return change();
}
