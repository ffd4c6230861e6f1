// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QString>

// One inhibitor lock of logind (Manager.Inhibit): logind holds back what it names ("sleep",
// "handle-power-key", ...) for as long as the file descriptor it gives stays open. Closing it, by
// release() or when the process ends however it ends, gives it back.
class AMPORA_BASE_EXPORT LogindInhibitor
{
public:
    // mode: "block" (logind does not do it at all) or "delay" (logind waits a little for us).
    LogindInhibitor(const QDBusConnection &systemBus, QString what, QString mode);

    // Takes the lock unless it is held already; why is shown by systemd-inhibit --list.
    Result<> take(const QString &why);
    void release();
    bool isHeld() const { return m_fd.isValid(); }

private:
    QDBusConnection m_systemBus;
    QString m_what;
    QString m_mode;
    QDBusUnixFileDescriptor m_fd;
};
