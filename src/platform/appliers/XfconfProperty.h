// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopKey.h"

#include <QDBusConnection>

// One property of an xfconf channel, through xfconfd on the session bus (org.xfce.Xfconf), in the
// D-Bus type the property's owner reads it as: xfconf keeps the type it was given, and a program
// that reads a uint finds nothing in an int. Each call is answered within two seconds or fails.
class XfconfProperty : public DesktopKey
{
public:
    enum class Type { Uint, Bool };

    XfconfProperty(const QDBusConnection &bus, const QString &channel, const QString &property, Type type);

    // The property's last path element: "lid-action-on-ac".
    QString key() const override;
    QString ledgerKey() const override;
    QString missing() const override { return {}; }
    // "300", "true"; none when the property is not set or xfconfd does not answer.
    std::optional<QString> read() const override;
    Result<QString> check(const QVariant &value) const override;
    Result<QString> write(const QVariant &value) override;

    // Whether xfconfd answers on bus about property; the reason when it does not.
    static Result<> reachable(const QDBusConnection &bus, const QString &channel, const QString &property);

private:
    QDBusConnection m_bus;
    QString m_channel;
    QString m_property;
    Type m_type;
};
