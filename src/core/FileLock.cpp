// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Short slices keep two busy writers from idling.
constexpr auto kSlice = 10ms;

int openLockFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != ELOOP)
        return fd;
    // Nobody can hold a lock through a link (it is never followed), so removing it takes none away.
    struct stat info
    {
    };
    if (::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode) && ::unlink(path.constData()) == 0)
        return ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    errno = ELOOP;
    return -1;
}

// Who holds the lock, as the holder wrote it: "ampctl (process 42)".
QString holderOf(int fd)
{
    char buffer[256] = {};
    const ssize_t got = ::pread(fd, buffer, sizeof buffer - 1, 0);
    const QList<QByteArray> lines = QByteArray(buffer, got > 0 ? got : 0).split('\n');
    bool ok = false;
    const qint64 pid = lines.value(0).toLongLong(&ok);
    if (!ok || pid <= 0)
        return QStringLiteral("another process");
    return QStringLiteral("%1 (process %2)").arg(QString::fromUtf8(lines.value(1)).trimmed()).arg(pid).trimmed();
}

void writeHolder(int fd)
{
    // Only for the message another process gives; a full disk must not stop the lock.
    const QByteArray name = QCoreApplication::instance() ? QCoreApplication::applicationName().toUtf8() : QByteArray();
    const QByteArray text = QByteArray::number(qint64(::getpid())) + '\n' + name + '\n';
    // Written over the last holder's text and cut only when that was longer: a file cut to nothing
    // is one that ext4 sends to the disk on close, and the next holder's cut would wait for it.
    struct stat info
    {
    };
    if (::pwrite(fd, text.constData(), size_t(text.size()), 0) == text.size() && ::fstat(fd, &info) == 0
        && info.st_size > text.size())
        (void)!::ftruncate(fd, text.size());
}

} // namespace

Result<FileLock> FileLock::acquire(const QString &path, const QString &what, std::chrono::milliseconds wait)
{
    const int fd = openLockFile(QFile::encodeName(path));
    if (fd < 0)
        return failed(QStringLiteral("%1 %2 cannot be opened: %3").arg(what, path, qt_error_string(errno)));
    FileLock lock(fd);
    const QDeadlineTimer deadline(wait);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return failed(QStringLiteral("%1 %2 cannot be taken: %3").arg(what, path, qt_error_string(errno)));
        if (deadline.hasExpired()) {
            return failed(QStringLiteral("%1 kept %2 %3 for more than %4 s; nothing was changed")
                              .arg(holderOf(fd), what, path)
                              .arg(std::chrono::duration_cast<std::chrono::seconds>(wait).count()));
        }
        std::this_thread::sleep_for(kSlice);
    }
    writeHolder(fd);
    return lock;
}

FileLock::FileLock(int fd)
    : m_fd(fd)
{
}

FileLock::FileLock(FileLock &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

FileLock::~FileLock()
{
    // Closing the last descriptor lets go of the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}
