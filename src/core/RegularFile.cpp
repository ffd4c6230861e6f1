// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegularFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a file");
}

Failure unusable(const QString &path, const struct stat &info, qint64 limit)
{
    if (!S_ISREG(info.st_mode))
        return invalid(QStringLiteral("%1 is %2, not a regular file").arg(path, kindOf(info.st_mode)));
    return invalid(QStringLiteral("%1 is larger than %2 KiB").arg(path).arg(limit / 1024));
}

Failure systemError(const QString &path, int error)
{
    const QString why = QStringLiteral("%1 cannot be read: %2").arg(path, qt_error_string(error));
    return error == ENOENT || error == ENOTDIR ? notFound(why) : failed(why);
}

bool usable(const struct stat &info, qint64 limit)
{
    return S_ISREG(info.st_mode) && info.st_size <= limit;
}

struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

Result<QByteArray> read(const QString &path, qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) != 0)
        return systemError(path, errno);
    if (!usable(info, limit))
        return unusable(path, info, limit);
    // Opened without blocking and checked again on the descriptor: the path may have been
    // replaced by a FIFO or a link to a device since the check above.
    const Descriptor file { ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) };
    if (file.fd < 0)
        return systemError(path, errno);
    if (::fstat(file.fd, &info) != 0)
        return systemError(path, errno);
    if (!usable(info, limit))
        return unusable(path, info, limit);
    // Read to the end rather than to the size: a file can grow meanwhile or report no size.
    QByteArray bytes;
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemError(path, errno);
        if (got == 0)
            return bytes;
        if (bytes.size() + got > limit) {
            info.st_size = bytes.size() + got;
            return unusable(path, info, limit);
        }
        bytes.append(chunk, got);
    }
}

} // namespace RegularFile
