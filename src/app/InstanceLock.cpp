// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstanceLock.h"

#include "UserReport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using UserReport::reportToUser;

namespace {

QString lockPath(const QString &folder)
{
    return folder + QStringLiteral("/ampora.lock");
}

// Why path cannot hold what only this user may reach, or nothing when it can. Symbolic links are
// not followed: another user could point one anywhere.
std::optional<QString> unsafeBecause(const QString &path, bool mayTighten)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::lstat(native.constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != ::getuid())
        return QStringLiteral("it belongs to user %1").arg(info.st_uid);
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        if (!mayTighten || ::chmod(native.constData(), S_IRWXU) != 0)
            return QStringLiteral("it is open to other users");
    }
    return std::nullopt;
}

// Makes folder (only it, in an existing parent) when missing, then checks it.
std::optional<QString> privateFolderProblem(const QString &folder)
{
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(std::strerror(errno));
    return unsafeBecause(folder, true);
}

void reportRefused(const QString &folder, const QString &why)
{
    reportToUser(QStringLiteral("ampora: the runtime folder %1 is not used: %2").arg(folder, why));
}

} // namespace

InstanceLock::InstanceLock(const QString &runtimeFolder)
    : m_folder(runtimeFolder)
{
}

bool InstanceLock::tryAcquire()
{
    if (m_lock)
        return true;
    if (m_folder.isEmpty())
        return false; // no private folder: never a lock file in the root folder
    auto lock = std::make_unique<QLockFile>(lockPath(m_folder));
    lock->setStaleLockTime(0); // a lock is stale only when its owner process is gone
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    return true;
}

bool InstanceLock::acquireOnceOthersEnd()
{
    // A window that is still starting takes a moment to listen; a hung quiet copy must not keep a
    // scheduled start waiting for ever.
    const QDeadlineTimer patience(std::chrono::seconds(30));
    if (m_folder.isEmpty())
        return false;
    while (!tryAcquire()) {
        if (QFileInfo::exists(socketPath(m_folder)) || patience.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

QString InstanceLock::socketPath(const QString &runtimeFolder)
{
    return runtimeFolder + QStringLiteral("/ampora.socket");
}

bool InstanceLock::isHeldByAnyone(const QString &runtimeFolder)
{
    if (runtimeFolder.isEmpty())
        return false;
    QLockFile probe(lockPath(runtimeFolder));
    if (!probe.tryLock(0))
        return true;
    probe.unlock();
    return false;
}

QString InstanceLock::defaultRuntimeFolder()
{
    // Remembered per environment, so a refused folder is reported once however often it is asked.
    static QHash<QString, QString> chosen;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString cacheDir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString key = runtimeDir + u'\n' + cacheDir;
    if (!chosen.contains(key))
        chosen.insert(key, chooseRuntimeFolder(runtimeDir, cacheDir));
    return chosen.value(key);
}

QString InstanceLock::chooseRuntimeFolder(const QString &runtimeDir, const QString &cacheDir)
{
    if (!runtimeDir.isEmpty()) {
        // The session's runtime folder itself must be ours, or another user could swap ours.
        const QString folder = runtimeDir + QStringLiteral("/ampora");
        const std::optional<QString> parentProblem = unsafeBecause(runtimeDir, false);
        const std::optional<QString> problem = parentProblem ? parentProblem : privateFolderProblem(folder);
        if (!problem)
            return folder;
        reportRefused(parentProblem ? runtimeDir : folder, *problem);
    }
    // In the home folder, which other users cannot write, unlike a predictable name in /tmp.
    if (cacheDir.isEmpty() || !QDir().mkpath(cacheDir + QStringLiteral("/ampora")))
        return {};
    const QString fallback = cacheDir + QStringLiteral("/ampora/runtime");
    if (const std::optional<QString> problem = privateFolderProblem(fallback)) {
        reportRefused(fallback, *problem);
        return {};
    }
    return fallback;
}
