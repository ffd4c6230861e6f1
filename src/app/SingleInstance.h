// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InstanceLock.h"
#include "InstanceMessage.h"
#include "Result.h"

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

// One copy of the program per user: the first copy holds a lock file in the user's runtime folder
// and listens on a local socket beside it (only the same user can connect). Later copies hand
// their request over through that socket and wait for the answer. The socket is a plain Unix
// socket watched by the event loop: Qt's network module, and the libraries it pulls in, would
// cost every window start time and memory for a handful of bytes.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<int(const InstanceMessage &)>;

    explicit SingleInstance(const QString &runtimeFolder = defaultRuntimeFolder(), QObject *parent = nullptr);
    // Takes over a lock taken earlier in this process (held or not).
    explicit SingleInstance(std::unique_ptr<InstanceLock> lock, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first copy; the lock is then held until destruction.
    bool tryBecomeFirst();
    // Starts accepting hand-overs; each message is answered with the handler's result. Fails,
    // saying why, when the socket cannot be made.
    Result<> listen(Handler handler);

    // Sends message to the running copy and returns its answer; nothing when no copy listens
    // (it keeps trying for a moment while a first copy holds the lock but is still starting).
    static std::optional<int> sendToRunningCopy(
        const InstanceMessage &message, const QString &runtimeFolder = defaultRuntimeFolder());

    static QString defaultRuntimeFolder() { return InstanceLock::defaultRuntimeFolder(); }
    static QString socketPath(const QString &runtimeFolder);

private:
    void acceptConnections();
    void serve(int connection);

    std::unique_ptr<InstanceLock> m_lock;
    int m_server = -1;
    QSocketNotifier *m_accepting = nullptr;
    Handler m_handler;
};

// Tells a running window that network schedules changed; NotFound when no copy runs.
Result<> postNetworkSchedulesChanged();
