// SPDX-License-Identifier: GPL-3.0-or-later
#include "XdgShellOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

const QString kOpener = QStringLiteral("xdg-open");
const QString kBrowser = QStringLiteral("sensible-browser");

} // namespace

XdgShellOpener::XdgShellOpener(QObject *parent)
    : ShellOpener(parent)
{
}

std::optional<OpenError> XdgShellOpener::checkPath(const QString &path, bool mustRun)
{
    const QFileInfo file(path);
    if (!file.absoluteDir().exists())
        return OpenError::PathNotFound;
    if (!file.exists())
        return OpenError::FileNotFound;
    if (!file.isReadable() || (mustRun && !file.isExecutable()))
        return OpenError::AccessDenied;
    return std::nullopt;
}

std::optional<OpenError> XdgShellOpener::errorOfExitStatus(int status)
{
    switch (status) {
    case 0:
        return std::nullopt;
    case 2: // one of the files passed does not exist
        return OpenError::FileNotFound;
    case 3: // a required tool could not be found
    case 4: // the action failed: nothing could open it
        return OpenError::NoAssociation;
    default: // 1: a command-line error, which a single argument cannot cause
        return OpenError::OutOfResources;
    }
}

void XdgShellOpener::openFile(const QString &path)
{
    if (const std::optional<OpenError> error = checkPath(path, false)) {
        Q_EMIT failed(path, *error);
        return;
    }
    runOpener(path);
}

void XdgShellOpener::openAddress(const QUrl &address)
{
    runOpener(address.toString(QUrl::FullyEncoded));
}

void XdgShellOpener::openInBrowser(const QUrl &address)
{
    QProcess::startDetached(kBrowser, { address.toString(QUrl::FullyEncoded) });
}

void XdgShellOpener::runProgram(const QString &path)
{
    if (const std::optional<OpenError> error = checkPath(path, true)) {
        Q_EMIT failed(path, *error);
        return;
    }
    if (!QProcess::startDetached(path, {}, QFileInfo(path).absolutePath()))
        Q_EMIT failed(path, OpenError::AccessDenied);
}

void XdgShellOpener::runOpener(const QString &target)
{
    // The opener ends once the handler has the target; its status is all it reports.
    auto *opener = new QProcess(this);
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(opener, &QProcess::finished, this, [this, opener, target](int status, QProcess::ExitStatus exit) {
        opener->deleteLater();
        const std::optional<OpenError> error
            = exit == QProcess::NormalExit ? errorOfExitStatus(status) : OpenError::OutOfResources;
        if (error)
            Q_EMIT failed(target, *error);
    });
    connect(opener, &QProcess::errorOccurred, this, [this, opener, target](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash also ends in finished()
        opener->deleteLater();
        // Without xdg-open nothing on this desktop is registered to open anything.
        Q_EMIT failed(target, OpenError::NoAssociation);
    });
    opener->start(kOpener, { target });
}
