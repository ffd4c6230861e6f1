// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkList.h"

qsizetype NetworkList::connectedIndex(const QList<Network> &networks)
{
    for (qsizetype i = networks.size() - 1; i >= 0; --i) {
        if (networks.at(i).connected)
            return i;
    }
    return -1;
}
