// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// Why the desktop could not open something.
enum class OpenError {
    OutOfResources, // the opener could not be started at all
    FileNotFound,
    PathNotFound,
    AccessDenied,
    NoAssociation, // no application handles this kind of file or address
};

// The message the user sees for an open error; fixed texts, not from the language file.
QString openErrorText(OpenError error);

// Hands files, web addresses and helper programs to the desktop. Every call returns at once; a
// failure arrives later as failed(), so the window never waits for the desktop.
class ShellOpener : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens a document with the application the desktop associates with it.
    virtual void openFile(const QString &path) = 0;
    virtual void openAddress(const QUrl &address) = 0;
    // Opens an address in the system's default web browser, without reporting anything: the last
    // resort when no handler for web addresses is registered.
    virtual void openInBrowser(const QUrl &address) = 0;
    // Starts a program with no arguments, in its own folder.
    virtual void runProgram(const QString &path) = 0;

Q_SIGNALS:
    // target is the path or address as it was given.
    void failed(const QString &target, OpenError error);
};
