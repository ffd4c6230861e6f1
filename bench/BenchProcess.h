// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// What the benchmarks that start whole programs share: a portable copy of the program in a folder
// of its own, an X display of their own, and medians.

namespace BenchProcess {

double median(QList<double> values);

// Resident set size of a running process in kilobytes (VmRSS), or -1 when it cannot be read.
qint64 residentKb(qint64 pid);

} // namespace BenchProcess

// The program as a portable copy in a temporary folder: the program, the shared objects beside it,
// the language file and the page logo, with its settings file, plans and state in that folder
// too, so that nothing of the user's is read or changed. The environment it runs in has no
// desktop: session and system bus addresses that lead nowhere, no desktop name.
class PortableCopy
{
public:
    // buildFolder: where the build put the program. Check isValid() before use.
    explicit PortableCopy(const QString &buildFolder);

    bool isValid() const { return m_valid; }
    QString program() const { return m_home.filePath(QStringLiteral("ampora")); }
    QString path(const QString &relative) const { return m_home.filePath(relative); }
    // Replaces the settings file beside the program.
    bool writeSettings(const QByteArray &contents) const;
    QProcessEnvironment environment() const { return m_environment; }

private:
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
    QProcessEnvironment m_environment;
    bool m_valid = false;
};

// A private Xvfb display, and a tray host on it when asked for one. Both end with the object.
class PrivateDisplay
{
public:
    PrivateDisplay(int width, int height, bool withTray);
    ~PrivateDisplay();

    bool isValid() const { return !m_display.isEmpty(); }
    // ":<n>", for DISPLAY.
    QString display() const { return m_display; }
    bool hasTray() const { return m_tray != nullptr; }

private:
    bool startTray(const QString &display);

    QProcess m_server;
    std::unique_ptr<QProcess> m_tray;
    QString m_display;
};

// A session bus of its own with a notification service (dunst) on the given display, as every
// desktop has. Both end with the object.
class PrivateSessionBus
{
public:
    explicit PrivateSessionBus(const QString &display);
    ~PrivateSessionBus();

    bool isValid() const { return !m_address.isEmpty(); }
    // For DBUS_SESSION_BUS_ADDRESS.
    QString address() const { return m_address; }

private:
    bool startNotificationService(const QString &display, const QString &address);

    QProcess m_bus;
    QProcess m_notifications;
    QString m_address;
};
