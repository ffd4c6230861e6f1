// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A program a test serves on a private bus; killed when it goes.
class BusService : public QProcess
{
public:
    ~BusService() override
    {
        kill();
        waitForFinished();
    }
};

// A dbus-daemon of the test's own, with no activatable services, so nothing on the real system
// bus is touched and no service starts by itself.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QString errorText() const { return m_error; }
    void stop();
    // Starts program with this bus as its system bus and waits until it owns name there; false
    // (with errorText) when it does not in 15 s. The process ends with its QProcess.
    bool startService(QProcess &process, const QString &program, const QStringList &arguments, const QString &name);
    // python3-dbusmock as startService() starts it, arguments following "--system".
    bool startMock(QProcess &process, const QStringList &arguments, const QString &name);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};

// A call to service at path on bus; the reply, an error reply when it failed.
QDBusMessage busCall(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &member, const QVariantList &arguments = {});
// Sets a property (org.freedesktop.DBus.Properties.Set); true when the service took it.
bool setBusProperty(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &name, const QVariant &value);
// A property's value, invalid when it could not be read.
QVariant busProperty(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &name);
// How often python3-dbusmock's object at path was called with method.
int mockCallCount(const QDBusConnection &bus, const QString &service, const QString &path, const QString &method);
