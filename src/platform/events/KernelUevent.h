// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// One uevent as the kernel multicasts it on its netlink socket: a header "ACTION@DEVPATH" and
// then KEY=VALUE fields, each ending in a NUL byte.
struct KernelUevent
{
    QByteArray action;
    QByteArray devPath;
    QByteArray subsystem;
};

namespace KernelUevents {

// The uevent in datagram, or nullopt if it is not one: empty, a header without '@' (udev's own
// "libudev" messages start so), or without an ACTION or SUBSYSTEM field. A last field without its
// NUL (a datagram cut short) is left out rather than read half. Any bytes are safe to pass.
AMPORA_BASE_EXPORT std::optional<KernelUevent> parseKernelUevent(QByteArrayView datagram);

// Whether the uevent may have changed the power source: any add, remove or change of a power
// supply (a USB-C charger appears and goes as a device of its own, not as a change).
AMPORA_BASE_EXPORT bool concernsPowerSource(const KernelUevent &uevent);

} // namespace KernelUevents
