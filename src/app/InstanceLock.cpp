#include "InstanceLock.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

QString lockPath(const QString &folder)
{
    return folder + QStringLiteral("/ampora.lock");
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
    auto lock = std::make_unique<QLockFile>(lockPath(m_folder));
    lock->setStaleLockTime(0); // a lock is stale only when its owner process is gone
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    return true;
}

bool InstanceLock::isHeldByAnyone(const QString &runtimeFolder)
{
    QLockFile probe(lockPath(runtimeFolder));
    if (!probe.tryLock(0))
        return true;
    probe.unlock();
    return false;
}

QString InstanceLock::defaultRuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString base = runtime.isEmpty() ? QString(QDir::tempPath() + QStringLiteral("/ampora-") + QString::number(getuid()))
                                           : QString(runtime + QStringLiteral("/ampora"));
    QDir().mkpath(base);
    QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return base;
}
