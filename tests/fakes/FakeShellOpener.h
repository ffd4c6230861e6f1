// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ShellOpener.h"

#include <QStringList>

// Records what it is asked to open; a test decides what the desktop answers by emitting failed().
class FakeShellOpener : public ShellOpener
{
public:
    void openFile(const QString &path) override { calls.append(QStringLiteral("file ") + path); }
    void openAddress(const QUrl &address) override { calls.append(QStringLiteral("address ") + address.toString()); }
    void openInBrowser(const QUrl &address) override { calls.append(QStringLiteral("browser ") + address.toString()); }
    void runProgram(const QString &path) override { calls.append(QStringLiteral("program ") + path); }

    QStringList calls;
};
