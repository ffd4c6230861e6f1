// SPDX-License-Identifier: GPL-3.0-or-later
#include "KernelPowerSupplyWatch.h"

#include "KernelUevent.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

using KernelUevents::concernsPowerSource;
using KernelUevents::parseKernelUevent;

namespace {

// The multicast group the kernel sends its uevents to (udev's rebroadcast is group 2).
constexpr unsigned kKernelGroup = 1;
// A uevent holds at most 2 KiB of fields, plus its header.
constexpr std::size_t kDatagramBuffer = 8192;

int openUeventSocket()
{
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return -1;
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kKernelGroup;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Only the kernel sends from port 0: a process's netlink socket always has a port of its own.
bool isFromKernel(const sockaddr_nl &sender, socklen_t length)
{
    return length == sizeof sender && sender.nl_family == AF_NETLINK && sender.nl_pid == 0;
}

} // namespace

KernelPowerSupplyWatch::KernelPowerSupplyWatch(QObject *parent)
    : QObject(parent)
{
    watch(openUeventSocket());
}

KernelPowerSupplyWatch::KernelPowerSupplyWatch(int socket, Senders senders, QObject *parent)
    : QObject(parent)
    , m_senders(senders)
{
    watch(socket);
}

KernelPowerSupplyWatch::~KernelPowerSupplyWatch()
{
    close();
}

bool KernelPowerSupplyWatch::isWatching() const
{
    return m_socket >= 0;
}

void KernelPowerSupplyWatch::watch(int socket)
{
    if (socket < 0)
        return;
    m_socket = socket;
    m_notifier = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &KernelPowerSupplyWatch::readDatagrams);
}

// Everything queued is read at once, and one burst (a charger plugged in changes the mains and
// every battery) is told once.
void KernelPowerSupplyWatch::readDatagrams()
{
    std::array<char, kDatagramBuffer> buffer;
    bool powerChanged = false;
    for (;;) {
        sockaddr_nl sender {};
        iovec part { buffer.data(), buffer.size() };
        msghdr message {};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        const ssize_t size = ::recvmsg(m_socket, &message, MSG_DONTWAIT);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            // The queue overflowed and events were dropped: one of them may have been ours.
            if (errno == ENOBUFS) {
                powerChanged = true;
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            close();
            if (powerChanged)
                Q_EMIT changed();
            Q_EMIT stopped();
            return;
        }
        if (m_senders == Senders::KernelOnly && !isFromKernel(sender, message.msg_namelen))
            continue;
        const auto uevent = parseKernelUevent(QByteArrayView(buffer.data(), size));
        powerChanged = powerChanged || (uevent && concernsPowerSource(*uevent));
    }
    if (powerChanged)
        Q_EMIT changed();
}

void KernelPowerSupplyWatch::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}
