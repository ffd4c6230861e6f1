// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusVirtualObject>
#include <QList>
#include <QString>
#include <QVariantMap>

// Answers as NetworkManager does for the calls the network list and the network watch make:
// Settings.ListConnections, Settings.Connection.GetSettings and the ActiveConnections, Uuid and
// State properties (Get, GetAll). One object serves every path below /org/freedesktop/NetworkManager.
class FakeNetworkManager : public QDBusVirtualObject
{
    Q_OBJECT
public:
    struct Saved
    {
        QString id;
        QString uuid;
        QString type;
        bool readable = true; // false: GetSettings answers with an access error
    };
    struct Active
    {
        QString uuid;
        uint state = 2; // activated
    };

    FakeNetworkManager(QList<Saved> saved, QList<Active> active, QObject *parent = nullptr);

    // A hung NetworkManager: calls of this member ("*" for all) are taken but never answered.
    void setSilentOn(const QString &member) { m_silentOn = member; }

    // Brings up saved connection uuid as NetworkManager does: a new active connection, announced
    // through ActiveConnections while it is activating, that reaches the activated state on the
    // next pass of the event loop (StateChanged and PropertiesChanged). The signals go out on bus,
    // the connection the fake serves on; call from the fake's thread. Returns the new path.
    QString activate(const QDBusConnection &bus, const QString &uuid);

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    QVariant property(const QString &path, const QString &name) const;
    QVariantMap properties(const QString &path) const;
    int indexIn(const QString &path, const QString &folder) const;

    QList<Saved> m_saved;
    QList<Active> m_active;
    QString m_silentOn;
};
