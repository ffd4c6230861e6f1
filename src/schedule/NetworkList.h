// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QUuid>

// The networks known to the system (those the machine has been connected to), in the platform's
// own stable order. A platform without a network service reports an empty list, never an error.
class NetworkList
{
public:
    struct Network
    {
        QString name;
        QUuid guid;
        bool connected = false;

        friend bool operator==(const Network &, const Network &) = default;
    };

    virtual ~NetworkList() = default;

    virtual QList<Network> networks() const = 0;

    // Index of the network to preselect: the last connected one in list order, -1 when none is.
    static qsizetype connectedIndex(const QList<Network> &networks);
};
