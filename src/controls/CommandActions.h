// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandId.h"

#include <QObject>
#include <map>

class QAction;

// The program's commands, one QAction each, made on first use and shared by everything that offers
// the command: a page's picture button, a list's menu, the tray menu, a key. Whoever carries out a
// command connects to its action's triggered(); greying the action greys every button and menu
// item that offers it. An action's object name is the command's name ("editPlan" for
// CmdEditPlan), and so is that of a picture button that offers it.
class CommandActions : public QObject
{
    Q_OBJECT
public:
    explicit CommandActions(QObject *parent = nullptr);

    QAction *action(CommandId id);

private:
    std::map<CommandId, QAction *> m_actions;
};
