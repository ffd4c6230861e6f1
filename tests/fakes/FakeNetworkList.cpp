#include "FakeNetworkList.h"

FakeNetworkList::FakeNetworkList(QList<Network> networks)
    : m_networks(std::move(networks))
{
}

QUuid FakeNetworkList::addNetwork(const QString &name, bool connected, QUuid guid)
{
    if (guid.isNull())
        guid = QUuid::createUuid();
    m_networks.append(Network { name, guid, connected });
    return guid;
}

QList<NetworkList::Network> FakeNetworkList::networks() const
{
    ++m_calls;
    return m_networks;
}
