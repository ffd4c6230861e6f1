// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QObject>

class QSocketNotifier;

// Tells when a power supply (mains, battery, USB charger) is added, removed or changes, from the
// uevents the kernel multicasts on its netlink socket: nothing runs between two events. Datagrams
// not sent by the kernel itself are dropped, so a local process cannot make it read again.
class AMPORA_BASE_EXPORT KernelPowerSupplyWatch : public QObject
{
    Q_OBJECT
public:
    // Whose datagrams count: the kernel's alone, or (a test's socket pair) any sender's.
    enum class Senders { KernelOnly, Any };

    // Opens the kernel's uevent socket; isWatching() is false where it cannot (no netlink).
    explicit KernelPowerSupplyWatch(QObject *parent = nullptr);
    // Takes over socket, an open datagram socket (closed here), or -1 for a watch that never fires.
    KernelPowerSupplyWatch(int socket, Senders senders, QObject *parent = nullptr);
    ~KernelPowerSupplyWatch() override;

    bool isWatching() const;

Q_SIGNALS:
    // A power supply changed, or events were lost: the source must be read again.
    void changed();
    // The socket failed and is closed: no further change will be told.
    void stopped();

private:
    void watch(int socket);
    void readDatagrams();
    void close();

    int m_socket = -1;
    Senders m_senders = Senders::KernelOnly;
    QSocketNotifier *m_notifier = nullptr;
};
