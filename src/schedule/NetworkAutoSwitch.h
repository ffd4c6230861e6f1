// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QUuid>

class NetworkWatch;
class PowerPlatform;

// Automatic management: when a network with an enabled network schedule connects and the user
// has ticked automatic management (SettingKey::AutoManage), that schedule's plan becomes the
// active plan. The setting and the schedules are read at each connection, so changes made in
// the window or by another process count at once.
class NetworkAutoSwitch : public QObject
{
    Q_OBJECT
public:
    NetworkAutoSwitch(NetworkWatch &watch, PowerPlatform &platform, QObject *parent = nullptr);

Q_SIGNALS:
    // After plan was made the active plan because its network connected.
    void planSwitched(const QUuid &plan);

private:
    void onNetworkConnected(const QUuid &network);

    PowerPlatform &m_platform;
};
