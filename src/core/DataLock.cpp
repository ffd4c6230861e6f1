// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataLock.h"

#include "AtomicFile.h"
#include "FileLock.h"
#include "SharedStrings.h"

#include <chrono>

using Program::sharedStrings;

using namespace std::chrono_literals;

namespace {

// Bounds how long a change waits for another one before it gives up with a clear failure. (A
// holder that died lets go at once.)
constexpr auto kLockWait = 10s;

// Taking the lock again would wait for itself until the deadline; nesting is a mistake to report.
thread_local bool t_held = false;
thread_local bool t_joinable = false;

} // namespace

QString DataLock::path()
{
    return sharedStrings().dataFolder + QStringLiteral("/data.lock");
}

Result<DataLock> DataLock::acquire()
{
    return take(false);
}

Result<DataLock> DataLock::acquireForSeveral()
{
    return take(true);
}

Result<DataLock> DataLock::take(bool forSeveral)
{
    const QString &folder = sharedStrings().dataFolder;
    if (folder.isEmpty())
        return failed(QStringLiteral("no data folder is known, so nothing can be changed"));
    if (t_held && t_joinable && !forSeveral)
        return DataLock(nullptr);
    if (t_held) {
        return failed(QStringLiteral("the data lock %1 is already held by this thread; one change cannot run "
                                     "inside another")
                          .arg(path()));
    }
    if (const Result<> made = AtomicFile::makePrivateFolder(folder); !made)
        return made.failure();
    Result<FileLock> file = FileLock::acquire(path(), QStringLiteral("the data lock"), kLockWait);
    if (!file)
        return file.failure();
    t_joinable = forSeveral;
    return DataLock(std::make_unique<FileLock>(std::move(file.value())));
}

DataLock::DataLock(std::unique_ptr<FileLock> file)
    : m_file(std::move(file))
{
    if (m_file)
        t_held = true;
}

DataLock::DataLock(DataLock &&other) noexcept
    : m_file(std::move(other.m_file))
{
}

DataLock::~DataLock()
{
    if (m_file) {
        t_held = false;
        t_joinable = false;
    }
}
