// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"

#include "RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
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

Result<> write(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (const Result<> folder = makePrivateFolder(info.absolutePath()); !folder)
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, folder.failure().message));
    QSaveFile file(path);
    auto failure = [&](const QString &why) {
        file.cancelWriting();
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, why));
    };
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    // What the user keeps here tells where they have been (network names): theirs alone.
    if (::fchmod(file.handle(), 0600) != 0)
        return failure(qt_error_string(errno));
    // Written on the descriptor rather than through QFileDevice: commit() can install a short
    // file after a failed buffer flush, and a short write loses the system's reason.
    const char *data = bytes.constData();
    for (qsizetype left = bytes.size(); left > 0;) {
        const ssize_t written = ::write(file.handle(), data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failure(qt_error_string(written < 0 ? errno : EIO));
        data += written;
        left -= written;
    }
    if (::fsync(file.handle()) != 0)
        return failure(qt_error_string(errno));
    if (!file.commit())
        return failed(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
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
