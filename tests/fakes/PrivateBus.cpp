// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>

namespace {

const char kConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus()
{
    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(QString::fromUtf8(kConfig).arg(m_dir.path()).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write ") + configPath;
        return;
    }
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
            QStringLiteral("--print-address") });
    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(10000);
    while (!m_daemon.canReadLine() && !deadline.hasExpired() && m_daemon.state() != QProcess::NotRunning)
        m_daemon.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        m_error
            = QStringLiteral("dbus-daemon gave no address: ") + QString::fromLocal8Bit(m_daemon.readAllStandardError());
}

PrivateBus::~PrivateBus()
{
    stop();
}

void PrivateBus::stop()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished();
}

bool PrivateBus::startService(
    QProcess &process, const QString &program, const QStringList &arguments, const QString &name)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    const QString watch = QStringLiteral("watch ") + m_address;
    const QDBusConnection bus = QDBusConnection::connectToBus(m_address, watch);
    const QDeadlineTimer deadline(15000);
    // Waits on the process, which may end meanwhile, a little at a time.
    while (!bus.interface()->isServiceRegistered(name) && !deadline.hasExpired()
        && process.state() != QProcess::NotRunning && !process.waitForFinished(50)) { }
    const bool started = bus.interface()->isServiceRegistered(name);
    QDBusConnection::disconnectFromBus(watch);
    if (!started)
        m_error = program + QStringLiteral(" did not start: ") + QString::fromLocal8Bit(process.readAllStandardError());
    return started;
}

bool PrivateBus::startMock(QProcess &process, const QStringList &arguments, const QString &name)
{
    return startService(process, QStringLiteral("/usr/bin/python3"),
        QStringList { QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system") } + arguments, name);
}

QDBusMessage busCall(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &member, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, member);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, 10000);
}

bool setBusProperty(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &name, const QVariant &value)
{
    return busCall(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
               { interface, name, QVariant::fromValue(QDBusVariant(value)) })
               .type()
        == QDBusMessage::ReplyMessage;
}

QVariant busProperty(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &name)
{
    const QDBusMessage reply = busCall(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"), { interface, name });
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

int mockCallCount(const QDBusConnection &bus, const QString &service, const QString &path, const QString &method)
{
    const auto calls = busCall(
        bus, service, path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetMethodCalls"), { method })
                           .arguments()
                           .value(0)
                           .value<QDBusArgument>();
    int count = 0;
    calls.beginArray();
    for (; !calls.atEnd(); ++count)
        (void)calls.asVariant(); // one (timestamp, arguments) structure
    calls.endArray();
    return count;
}
