#include "DataLock.h"

#include "SharedStrings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <chrono>

using namespace std::chrono_literals;

namespace {

// A change holds the lock for milliseconds, a task change for as long as systemctl takes to
// answer. A holder that died is noticed at once by its process id; this only bounds one that
// hung on a file system without native locks.
constexpr auto kStaleLockTime = 60s;
// Bounds how long a change waits for another one before it gives up with a clear failure.
constexpr auto kLockWait = 10s;
// QLockFile backs off from 100 ms upwards; short slices keep busy writers from idling.
constexpr auto kLockSlice = 10ms;

// QLockFile would wait for its own thread until the deadline; nesting is a mistake to report.
thread_local bool t_held = false;

} // namespace

QString DataLock::path()
{
    return sharedStrings().dataFolder + QStringLiteral("/data.lock");
}

Result<DataLock> DataLock::acquire()
{
    const QString &folder = sharedStrings().dataFolder;
    if (folder.isEmpty())
        return failed(QStringLiteral("no data folder is known, so nothing can be changed"));
    if (t_held) {
        return failed(QStringLiteral("the data lock %1 is already held by this thread; one change cannot run "
                                     "inside another")
                          .arg(path()));
    }
    QDir().mkpath(folder);
    auto file = std::make_unique<QLockFile>(path());
    file->setStaleLockTime(kStaleLockTime);
    const QDeadlineTimer deadline(kLockWait);
    while (!file->tryLock(kLockSlice)) {
        if (file->error() == QLockFile::PermissionError)
            return failed(QStringLiteral("the data lock %1 cannot be created: permission denied").arg(path()));
        if (file->error() != QLockFile::LockFailedError)
            return failed(QStringLiteral("the data lock %1 cannot be created").arg(path()));
        if (deadline.hasExpired()) {
            qint64 pid = 0;
            QString host;
            QString application;
            const QString holder = file->getLockInfo(&pid, &host, &application)
                ? QStringLiteral("%1 (process %2)").arg(application).arg(pid)
                : QStringLiteral("another process");
            return failed(QStringLiteral("%1 kept the data lock %2 for more than %3 s; nothing was changed")
                              .arg(holder, path())
                              .arg(std::chrono::seconds(kLockWait).count()));
        }
    }
    return DataLock(std::move(file));
}

DataLock::DataLock(std::unique_ptr<QLockFile> file)
    : m_file(std::move(file))
{
    t_held = true;
}

DataLock::DataLock(DataLock &&other) noexcept
    : m_file(std::move(other.m_file))
{
}

DataLock::~DataLock()
{
    if (m_file)
        t_held = false;
}
