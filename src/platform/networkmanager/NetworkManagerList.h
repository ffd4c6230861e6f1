// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkList.h"

#include <QDBusConnection>
#include <chrono>

// The networks known to NetworkManager: its saved connections in its own order (loopback left
// out), named by connection id and identified by connection uuid; a network is connected when an
// activated connection carries its uuid. Every call shares one short time budget, so a missing,
// hung or dying NetworkManager gives an empty list instead of an error or a wait.
class NetworkManagerList : public NetworkList
{
public:
    static constexpr std::chrono::milliseconds kDefaultBudget { 2000 };

    explicit NetworkManagerList(
        const QDBusConnection &bus = QDBusConnection::systemBus(), std::chrono::milliseconds budget = kDefaultBudget);

    QList<Network> networks() const override;

private:
    QDBusConnection m_bus;
    std::chrono::milliseconds m_budget;
};
