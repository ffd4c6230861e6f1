#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The lock that makes a process the user's first copy: a lock file in the user's runtime folder,
// held until the object goes. Needs nothing beyond QtCore, so a start that only switches the plan
// can take it without loading anything else.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &runtimeFolder = defaultRuntimeFolder());

    // True when this process now holds the lock (or held it already).
    bool tryAcquire();
    bool isHeld() const { return m_lock != nullptr; }
    const QString &folder() const { return m_folder; }

    // Whether some process holds the lock in runtimeFolder.
    static bool isHeldByAnyone(const QString &runtimeFolder);
    // $XDG_RUNTIME_DIR/ampora, or a private folder in /tmp when there is no runtime folder.
    static QString defaultRuntimeFolder();

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
};
