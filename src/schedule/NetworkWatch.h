// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QUuid>

// Tells when the machine connects to one of its saved networks. A connection that was already up
// when the watch started is not announced: only a connection made while the program runs counts.
class NetworkWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~NetworkWatch() override = default;

Q_SIGNALS:
    // Once per connection, when it is fully up; network is the saved connection's GUID.
    void networkConnected(const QUuid &network);
};
