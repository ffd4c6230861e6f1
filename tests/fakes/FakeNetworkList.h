// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkList.h"

// Networks held in memory for tests, in the order they were added.
class FakeNetworkList : public NetworkList
{
public:
    // Adds a network with a fresh GUID; returns it.
    QUuid addNetwork(const QString &name, bool connected = false)
    {
        m_networks.append(Network { name, QUuid::createUuid(), connected });
        return m_networks.constLast().guid;
    }
    void setNetworks(QList<Network> networks) { m_networks = std::move(networks); }

    QList<Network> networks() const override { return m_networks; }

private:
    QList<Network> m_networks;
};
