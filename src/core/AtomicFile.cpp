// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"

#include "RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

Result<> makePrivateFolder(const QString &folder)
{
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    const QStringList parts = absolute.split(u'/', Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
        path += u'/' + part;
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
            return failed(QStringLiteral("the folder %1 cannot be created: %2").arg(path, qt_error_string(errno)));
    }
    if (!QFileInfo(absolute).isDir())
        return failed(QStringLiteral("%1 is not a folder").arg(absolute));
    return {};
}

namespace {

// Writes all of bytes to fd; false with errno set when the system takes less (a full disk, a file
// size limit).
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    for (qsizetype left = bytes.size(); left > 0;) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// A link is written through, as an editor saves a file kept elsewhere: the link stays.
QString writeTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}

// Best effort: the file is in place whatever this says, and a folder that cannot be opened for
// reading cannot be synced by this process at all.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// An unnamed file in folder where the file system makes one (name stays empty), else a named one
// beside finalName (its name in name); -1 with errno when neither can be made.
int openTemporary(const QByteArray &folder, const QByteArray &finalName, QByteArray &name)
{
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    name = finalName + ".XXXXXX";
    return ::mkostemp(name.data(), O_CLOEXEC);
}

// Gives the unnamed file fd a free name beside finalName, for the rename.
bool nameTemporary(int fd, const QByteArray &finalName, QByteArray &name)
{
    const QByteArray open = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = finalName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        if (::linkat(AT_FDCWD, open.constData(), AT_FDCWD, candidate.constData(), AT_SYMLINK_FOLLOW) == 0) {
            name = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

Result<> write(const QString &path, const QByteArray &bytes, Durability durability)
{
    const QString target = writeTarget(path);
    const QString folderPath = QFileInfo(target).absolutePath();
    if (const Result<> folder = makePrivateFolder(folderPath); !folder)
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, folder.failure().message));
    // The new content goes to a file of its own beside the old one (0600: what the user keeps
    // here tells where they have been), which then takes the old one's name in one rename: a
    // reader sees the old file or the new one, never a mix. The file has no name while it is
    // written, where the file system allows, so a process killed meanwhile leaves nothing behind.
    const QByteArray finalName = QFile::encodeName(target);
    QByteArray temporary;
    const int fd = openTemporary(QFile::encodeName(folderPath), finalName, temporary);
    if (fd < 0)
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, qt_error_string(errno)));
    auto failure = [&](int error) {
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, qt_error_string(error)));
    };
    // One data sync before the rename is what keeps a crash from leaving the name on a file whose
    // bytes never reached the disk; the rename itself reaches the disk with the file system's
    // next commit, and until then the old file stands.
    const bool written = writeAll(fd, bytes) && (durability == Durability::ReplacedOnly || ::fdatasync(fd) == 0)
        && (!temporary.isEmpty() || nameTemporary(fd, finalName, temporary));
    const int writeError = errno;
    if (::close(fd) != 0 && written)
        return failure(errno);
    if (!written)
        return failure(writeError);
    struct stat old
    {
    };
    const bool isNew = ::lstat(finalName.constData(), &old) != 0;
    if (::rename(temporary.constData(), finalName.constData()) != 0)
        return failure(errno);
    // A file that is new has no old one to fall back on: its name is made to last too.
    if (isNew && durability == Durability::Durable)
        syncFolder(QFile::encodeName(folderPath));
    return {};
}

// path + ".corrupt-<UTC time>", numbered when that is taken.
static QString asideName(const QString &path)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 1; QFile::exists(target); ++n)
        target = path + QStringLiteral(".corrupt-") + stamp + u'-' + QString::number(n);
    return target;
}

QString setAside(const QString &path)
{
    const QString target = asideName(path);
    return QFile::rename(path, target) ? target : QString();
}

Result<QString> copyAside(const QString &path)
{
    const Result<QByteArray> bytes = RegularFile::read(path, kCopyAsideLimit);
    if (!bytes)
        return failed(bytes.failure().message);
    const QString target = asideName(path);
    if (const Result<> written = write(target, *bytes); !written)
        return written.failure();
    return target;
}

} // namespace AtomicFile
