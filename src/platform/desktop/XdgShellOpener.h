// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ShellOpener.h"

#include <optional>

// The freedesktop road: files and addresses go to `xdg-open`, whose exit status says what went
// wrong; the browser of last resort is Debian's `sensible-browser`; programs start detached.
// Each opener can be replaced by name, so tests put a stand-in on the path.
class XdgShellOpener : public ShellOpener
{
    Q_OBJECT
public:
    explicit XdgShellOpener(QObject *parent = nullptr);

    void openFile(const QString &path) override;
    void openAddress(const QUrl &address) override;
    void openInBrowser(const QUrl &address) override;
    void runProgram(const QString &path) override;

    // What a path on disk says before anything is started: missing folder, missing file or a file
    // that cannot be read (or, for a program, run).
    static std::optional<OpenError> checkPath(const QString &path, bool mustRun);
    // xdg-open's documented exit statuses.
    static std::optional<OpenError> errorOfExitStatus(int status);

private:
    void runOpener(const QString &target);
};
