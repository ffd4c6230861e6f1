#pragma once

#include "NetworkList.h"

// Networks held in memory for tests, in the order they were added.
class FakeNetworkList : public NetworkList
{
public:
    FakeNetworkList() = default;
    explicit FakeNetworkList(QList<Network> networks);

    // Adds a network with a fresh GUID unless one is given; returns the GUID.
    QUuid addNetwork(const QString &name, bool connected = false, QUuid guid = {});
    void setNetworks(QList<Network> networks) { m_networks = std::move(networks); }
    int calls() const { return m_calls; }

    QList<Network> networks() const override;

private:
    QList<Network> m_networks;
    mutable int m_calls = 0;
};
