// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ExitCode.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AmpctlCommands;

// A command line as parsed: the values after the command's name and the options given.
struct AmpctlArguments
{
    QStringList values;
    QHash<QString, QString> options; // a flag's value is empty
    QString form; // the option that chose the form (such as "daily"), or empty

    std::optional<QString> option(const QString &name) const
    {
        return options.contains(name) ? std::optional(options.value(name)) : std::nullopt;
    }
};

// One entry of ampctl's command table. Its synopses are the one place a command's arguments and
// options are written down: the parser, the usage lines, --help and the shell completion all read
// them from here.
struct AmpctlCommand
{
    // One way to call the command: what follows "ampctl " on its usage line, and its help as
    // --help breaks it into lines. A bracketed option takes the word after it ("[--from PLAN]"),
    // unless the bracket closes on it ("[--wake]", "[--keep-guid]": a flag); an option outside brackets chooses the
    // form ("schedule PLAN --daily TIME").
    struct Form
    {
        QString synopsis;
        QString help;

        // The words the form takes after the command's name, options left out: {"PLAN", "TIME"}.
        QStringList arguments() const;
        // The option that chooses this form, without its dashes; empty when there is one form.
        QString selector() const;
        // The bracketed options and the word each takes: {"from", "PLAN"}.
        QList<std::pair<QString, QString>> valueOptions() const;
        // The bracketed options that take no word: {"wake"}, {"keep-guid"}.
        QStringList flagOptions() const;
    };

    QString name;
    QList<Form> forms;
    std::function<ExitCode(AmpctlCommands &, const AmpctlArguments &)> run;

    // Every option that belongs to this command, without dashes, in synopsis order.
    QStringList options() const;
};

// The commands in the order --help lists them.
const QList<AmpctlCommand> &ampctlCommands();
const AmpctlCommand *findAmpctlCommand(const QString &name);

// What ampctl --help prints.
QString ampctlHelpText();

// The shell completion's answer: the candidates for the last of words (the words typed after
// "ampctl", the one being completed last), those that start with it. planNames is asked only
// when a plan is wanted.
QStringList ampctlCompletions(const QStringList &words, const std::function<QStringList()> &planNames);
