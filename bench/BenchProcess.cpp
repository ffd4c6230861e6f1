// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchProcess.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <xcb/xcb.h>

namespace BenchProcess {

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace BenchProcess

PortableCopy::PortableCopy(const QString &buildFolder)
    : m_environment(QProcessEnvironment::systemEnvironment())
{
    const QDir build(buildFolder);
    QStringList files = build.entryList({ QStringLiteral("*.so") }, QDir::Files);
    files << QStringLiteral("ampora") << QStringLiteral("ampctleng.ini") << QStringLiteral("vt-orvale-am.png");
    for (const QString &file : std::as_const(files)) {
        if (!QFile::copy(build.filePath(file), m_home.filePath(file))) {
            std::fprintf(stderr, "bench: cannot copy %s\n", qPrintable(build.filePath(file)));
            return;
        }
    }
    for (const char *name : { "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "HOME" }) {
        const QString folder = m_home.filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        m_environment.insert(QString::fromLatin1(name), folder);
    }
    if (!m_runtime.isValid())
        return;
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    for (const char *name :
        { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION" })
        m_environment.remove(QString::fromLatin1(name));
    m_environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
        QStringLiteral("unix:path=%1").arg(m_home.filePath(QStringLiteral("no-system-bus"))));
    // Without an address, D-Bus would start a session bus for an X display, and leave it running.
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
        QStringLiteral("unix:path=%1").arg(m_home.filePath(QStringLiteral("no-session-bus"))));
    m_valid = true;
}

bool PortableCopy::writeSettings(const QByteArray &contents) const
{
    QFile settings(m_home.filePath(QStringLiteral("ampctlset.ini")));
    return settings.open(QIODevice::WriteOnly | QIODevice::Truncate) && settings.write(contents) == contents.size();
}

namespace {

// Whether a program on the display owns the tray selection of its first screen.
bool trayIsOwned(const QString &display)
{
    xcb_connection_t *connection = xcb_connect(qPrintable(display), nullptr);
    bool owned = false;
    if (!xcb_connection_has_error(connection)) {
        const char name[] = "_NET_SYSTEM_TRAY_S0";
        xcb_intern_atom_reply_t *atom
            = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
        if (atom) {
            xcb_get_selection_owner_reply_t *owner
                = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
            owned = owner && owner->owner != XCB_NONE;
            free(owner);
            free(atom);
        }
    }
    xcb_disconnect(connection);
    return owned;
}

} // namespace

PrivateDisplay::PrivateDisplay(int width, int height, bool withTray)
{
    // A display number of its own, far from the low ones that Xvfb's own choice (-displayfd alone)
    // and other programs' tests take; Xvfb writes it to the descriptor named once it is ready.
    // Nothing reads its other output while a benchmark runs, so none is kept.
    m_server.setStandardErrorFile(QProcess::nullDevice());
    QByteArray number;
    for (int candidate = 100 + int(QCoreApplication::applicationPid() % 800), tries = 0;
         !number.contains('\n') && tries < 20; ++candidate, ++tries) {
        m_server.start(QStringLiteral("Xvfb"),
            { u':' + QString::number(candidate), QStringLiteral("-displayfd"), QStringLiteral("1"),
                QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
                QStringLiteral("-nolisten"), QStringLiteral("tcp") });
        while (!number.contains('\n') && m_server.waitForReadyRead(10000))
            number += m_server.readAllStandardOutput();
        if (!number.contains('\n'))
            m_server.waitForFinished(1000);
    }
    if (!number.contains('\n')) {
        std::fprintf(stderr, "bench: Xvfb did not start: %s\n", qPrintable(m_server.errorString()));
        return;
    }
    const QString display = u':' + QString::fromLatin1(number.trimmed());
    if (withTray && !startTray(display))
        return;
    m_display = display;
}

bool PrivateDisplay::startTray(const QString &display)
{
    // trayer now and then cannot open a display that has just started: it is given a few tries.
    for (int tries = 0; tries < 5; ++tries) {
        m_tray = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        m_tray->setProcessEnvironment(environment);
        m_tray->setStandardOutputFile(QProcess::nullDevice());
        m_tray->setStandardErrorFile(QProcess::nullDevice());
        m_tray->start(QStringLiteral("trayer"),
            { QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                QStringLiteral("24") });
        if (!m_tray->waitForStarted(5000))
            break;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 3000 && !m_tray->waitForFinished(20)) {
            if (trayIsOwned(display))
                return true;
        }
        m_tray->kill();
        m_tray->waitForFinished(1000);
    }
    std::fprintf(stderr, "bench: the tray host (trayer) did not start\n");
    m_tray.reset();
    return false;
}

PrivateDisplay::~PrivateDisplay()
{
    for (QProcess *process : { m_tray.get(), &m_server }) {
        if (process && process->state() != QProcess::NotRunning) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
}

PrivateSessionBus::PrivateSessionBus(const QString &display)
{
    m_bus.setStandardErrorFile(QProcess::nullDevice());
    m_bus.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
    QByteArray address;
    while (!address.contains('\n') && m_bus.waitForReadyRead(10000))
        address += m_bus.readAllStandardOutput();
    if (!address.contains('\n')) {
        std::fprintf(stderr, "bench: dbus-daemon did not start: %s\n", qPrintable(m_bus.errorString()));
        return;
    }
    const QString busAddress = QString::fromLatin1(address.trimmed());
    if (startNotificationService(display, busAddress))
        m_address = busAddress;
}

bool PrivateSessionBus::startNotificationService(const QString &display, const QString &address)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    m_notifications.setProcessEnvironment(environment);
    m_notifications.setStandardOutputFile(QProcess::nullDevice());
    m_notifications.setStandardErrorFile(QProcess::nullDevice());
    m_notifications.start(QStringLiteral("dunst"), {});
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("bench"));
    QElapsedTimer waited;
    waited.start();
    bool owned = false;
    while (!owned && waited.elapsed() < 10000 && m_notifications.state() != QProcess::NotRunning) {
        owned
            = bus.interface() && bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"));
        if (!owned)
            QThread::msleep(20);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("bench"));
    if (!owned)
        std::fprintf(stderr, "bench: the notification service (dunst) did not start\n");
    return owned;
}

PrivateSessionBus::~PrivateSessionBus()
{
    for (QProcess *process : { &m_notifications, &m_bus }) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
}
