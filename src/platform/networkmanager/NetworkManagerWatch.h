// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkWatch.h"

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QString>

class QDBusMessage;
class QDBusObjectPath;

// Follows NetworkManager's active connections on the system bus: its ActiveConnections property
// and each active connection's State (PropertiesChanged, StateChanged). An active connection that
// reaches the activated state announces the saved connection it carries, once. The constructor
// reads the active connections once, waiting at most 1.5 s; every later call is asynchronous with
// a short timeout. A missing or hung NetworkManager is no error: the watch stays quiet until
// NetworkManager turns up and reports a connection.
class NetworkManagerWatch : public NetworkWatch
{
    Q_OBJECT
public:
    explicit NetworkManagerWatch(const QDBusConnection &bus = QDBusConnection::systemBus(), QObject *parent = nullptr);

private Q_SLOTS:
    void onPropertiesChanged(const QDBusMessage &message);
    void onStateChanged(const QDBusMessage &message);

private:
    struct Active
    {
        QString uuid;
        uint state = 0;
        bool read = false; // uuid and state have been read
        bool announced = false;
    };

    void readActiveConnections();
    void follow(const QList<QDBusObjectPath> &paths, bool alreadyUp);
    void readActive(const QString &path, bool alreadyUp);
    void setState(const QString &path, uint state);
    void announceIfActivated(const QString &path);

    QDBusConnection m_bus;
    QHash<QString, Active> m_active; // by object path
};
