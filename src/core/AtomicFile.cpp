// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"

#include "RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

} // namespace

Result<> write(const QString &path, const QByteArray &bytes, Durability durability)
{
    const QString target = writeTarget(path);
    if (const Result<> folder = makePrivateFolder(QFileInfo(target).absolutePath()); !folder)
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, folder.failure().message));
    // The new content goes to a file of its own beside the old one (mkostemp makes it 0600: what
    // the user keeps here tells where they have been), which then takes the old one's name in one
    // rename: a reader sees the old file or the new one, never a mix.
    const QByteArray finalName = QFile::encodeName(target);
    QByteArray temporary = finalName + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, qt_error_string(errno)));
    auto failure = [&](int error) {
        ::unlink(temporary.constData());
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, qt_error_string(error)));
    };
    // One data sync before the rename is what keeps a crash from leaving the name on a file whose
    // bytes never reached the disk; the rename itself reaches the disk with the file system's
    // next commit, and until then the old file stands.
    const bool written = writeAll(fd, bytes) && (durability == Durability::ReplacedOnly || ::fdatasync(fd) == 0);
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
        syncFolder(QFile::encodeName(QFileInfo(target).absolutePath()));
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
