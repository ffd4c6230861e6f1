// SPDX-License-Identifier: GPL-3.0-or-later
#include "KernelUevent.h"

namespace KernelUevents {

std::optional<KernelUevent> parseKernelUevent(QByteArrayView datagram)
{
    const qsizetype headerEnd = datagram.indexOf('\0');
    if (headerEnd < 0)
        return std::nullopt;
    const QByteArrayView header = datagram.first(headerEnd);
    const qsizetype at = header.indexOf('@');
    if (at <= 0)
        return std::nullopt;

    KernelUevent uevent;
    uevent.devPath = header.sliced(at + 1).toByteArray();
    for (qsizetype start = headerEnd + 1; start < datagram.size();) {
        const qsizetype end = datagram.indexOf('\0', start);
        if (end < 0)
            break;
        const QByteArrayView field = datagram.sliced(start, end - start);
        start = end + 1;
        // The first of a repeated key counts, as in the kernel's own order.
        if (field.startsWith("ACTION=") && uevent.action.isEmpty())
            uevent.action = field.sliced(7).toByteArray();
        else if (field.startsWith("SUBSYSTEM=") && uevent.subsystem.isEmpty())
            uevent.subsystem = field.sliced(10).toByteArray();
    }
    if (uevent.action.isEmpty() || uevent.subsystem.isEmpty())
        return std::nullopt;
    return uevent;
}

bool concernsPowerSource(const KernelUevent &uevent)
{
    return uevent.subsystem == "power_supply"
        && (uevent.action == "change" || uevent.action == "add" || uevent.action == "remove");
}

} // namespace KernelUevents
