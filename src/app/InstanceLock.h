// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QLockFile>
#include <QString>
#include <memory>

// The lock that makes a process the user's first copy: a lock file in the user's runtime folder,
// held until the object goes. Needs nothing beyond QtCore, so a start that only switches the plan
// can take it without loading anything else.
class AMPORA_BASE_EXPORT InstanceLock
{
public:
    explicit InstanceLock(const QString &runtimeFolder = defaultRuntimeFolder());

    // True when this process now holds the lock (or held it already). Never without a folder.
    bool tryAcquire();
    bool isHeld() const { return m_lock != nullptr; }
    const QString &folder() const { return m_folder; }

    // Whether some process holds the lock in runtimeFolder.
    static bool isHeldByAnyone(const QString &runtimeFolder);
    // Where the first copy listens for hand-overs once its window is up.
    static QString socketPath(const QString &runtimeFolder);
    // For a start that must switch the plan while another copy holds the lock: waits until that
    // copy ends (a quiet scheduled switch ends within moments and never listens), then holds the
    // lock. False when the other copy listens for a hand-over instead, or after a generous wait.
    bool acquireOnceOthersEnd();
    // The user's private folder for the lock and the hand-over socket, chosen once per process
    // (see chooseRuntimeFolder) from $XDG_RUNTIME_DIR and $XDG_CACHE_HOME.
    static QString defaultRuntimeFolder();
    // <runtimeDir>/ampora when runtimeDir is set and both are the user's own folders, not
    // symbolic links and closed to others; otherwise <cacheDir>/ampora/runtime, checked the
    // same way. Each refused folder gets one line on stderr. A folder that is the user's but open
    // to others is closed; one that is not the user's is never touched. Empty when neither is safe.
    static QString chooseRuntimeFolder(const QString &runtimeDir, const QString &cacheDir);

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
};
