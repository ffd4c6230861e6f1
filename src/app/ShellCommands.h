// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ShellOpener.h"

#include <QObject>

class CommandActions;
class QWidget;

// The frame's commands that open something outside the program, carried out when their actions
// trigger: the help manual, the maker's web
// pages, the updater beside the program and the maker's link library. A failure is shown in a
// message box captioned with "IDS_RUNNING3"; a web page with no handler goes to the browser of
// last resort instead, without a message.
class ShellCommands : public QObject
{
    Q_OBJECT
public:
    ShellCommands(ShellOpener &opener, QWidget *owner, CommandActions &commands);

    // "vt-ampora.html", or "vt-ampora_<abbreviation>.html" when the settings name a language.
    static QString helpFileName();

private:
    void onFailed(const QString &target, OpenError error);
    void runLinkLibrary();

    ShellOpener &m_opener;
    QWidget *m_owner;
};
