// SPDX-License-Identifier: GPL-3.0-or-later
#include "AmpctlCommandTable.h"

#include "AmpctlCommands.h"
#include "PowerSettings.h"
#include "SettingText.h"

#include <algorithm>
using SettingText::settingNamed;
using SettingText::settingNames;
using SettingText::valueWords;

using namespace Qt::Literals::StringLiterals;

namespace {

using Commands = AmpctlCommands &;
using Arguments = const AmpctlArguments &;

const QList<AmpctlCommand> kCommands = {
    { u"list"_s, { { u"list"_s, u"List the power plans; * marks the active one."_s } },
        [](Commands c, Arguments) { return c.list(); } },
    { u"active"_s, { { u"active"_s, u"Show the active plan."_s } }, [](Commands c, Arguments) { return c.active(); } },
    { u"set"_s, { { u"set PLAN"_s, u"Make PLAN the active plan and apply it."_s } },
        [](Commands c, Arguments a) { return c.set(a.values.at(0)); } },
    { u"apply"_s,
        { { u"apply"_s,
              u"Apply the active plan again now: write its values into the\n"
              "desktop's settings and the services that take them."_s },
            { u"apply --disk"_s,
                u"Apply it as above, then set the disks' spin-down time through\n"
                "UDisks, which asks for an administrator's password; print what\n"
                "became of it on each drive."_s } },
        [](Commands c, Arguments a) {
            return a.form == u"disk" ? c.applying().applyToDisks() : c.applying().apply();
        } },
    { u"status"_s,
        { { u"status"_s,
            u"Show the active plan, the power source and what became of each\n"
            "setting when the plan was last applied on this machine."_s } },
        [](Commands c, Arguments) { return c.applying().status(); } },
    { u"show"_s,
        { { u"show PLAN"_s,
            u"Show PLAN and every setting this machine offers, plugged in (AC)\n"
            "and, on a machine with a battery, on battery (DC)."_s } },
        [](Commands c, Arguments a) { return c.plans().show(a.values.at(0)); } },
    { u"create"_s,
        { { u"create NAME [--from PLAN]"_s,
            u"Copy the active plan, or PLAN, into a new plan named NAME and\n"
            "print its GUID. The new plan is not made active."_s } },
        [](Commands c, Arguments a) { return c.plans().create(a.values.at(0), a.option(u"from"_s)); } },
    { u"rename"_s, { { u"rename PLAN NEW-NAME"_s, u"Rename PLAN."_s } },
        [](Commands c, Arguments a) { return c.plans().rename(a.values.at(0), a.values.at(1)); } },
    { u"describe"_s, { { u"describe PLAN TEXT"_s, u"Set PLAN's description."_s } },
        [](Commands c, Arguments a) { return c.plans().describe(a.values.at(0), a.values.at(1)); } },
    { u"delete"_s, { { u"delete PLAN"_s, u"Delete PLAN; not the active plan, nor one a schedule uses."_s } },
        [](Commands c, Arguments a) { return c.plans().remove(a.values.at(0)); } },
    { u"export"_s,
        { { u"export PLAN FILE"_s,
            u"Write PLAN to FILE as a plan file (- for standard output), to be\n"
            "imported on another machine or kept aside."_s } },
        [](Commands c, Arguments a) { return c.plans().exportPlan(a.values.at(0), a.values.at(1)); } },
    { u"import"_s,
        { { u"import FILE [--name NAME] [--keep-guid]"_s,
            u"Add the plan in FILE (- for standard input) as a new plan, named\n"
            "NAME or as in the file, and print its GUID. --keep-guid keeps\n"
            "the file's GUID, which no plan here may have. A file with any\n"
            "bad line is refused whole, one error per line."_s } },
        [](Commands c, Arguments a) {
            return c.plans().importPlan(a.values.at(0), a.option(u"name"_s), a.options.contains(u"keep-guid"_s));
        } },
    { u"get"_s, { { u"get PLAN SETTING"_s, u"Show one setting of PLAN, AC then DC."_s } },
        [](Commands c, Arguments a) { return c.plans().get(a.values.at(0), a.values.at(1)); } },
    { u"set-value"_s,
        { { u"set-value PLAN SETTING [--ac VALUE] [--dc VALUE]"_s,
            u"Change one setting of PLAN (give --ac, --dc or both). A change to\n"
            "the active plan is applied at once."_s } },
        [](Commands c, Arguments a) {
            return c.plans().setValue(a.values.at(0), a.values.at(1), a.option(u"ac"_s), a.option(u"dc"_s));
        } },
    { u"schedules"_s,
        { { u"schedules"_s,
            u"List the time-based, network-based and power-based schedules,\n"
            "with when each time-based one runs next and last ran. A\n"
            "schedule changed or damaged outside Ampora is listed with what\n"
            "is wrong; it can still be disabled and removed."_s } },
        [](Commands c, Arguments) { return c.schedules(); } },
    { u"schedule"_s,
        {
            { u"schedule PLAN --once DATE TIME [--mains-only] [--wake]"_s,
                u"Switch to PLAN once, on DATE (YYYY-MM-DD, a year from 1970\n"
                "to 2198) at TIME; that moment must still be to come."_s },
            { u"schedule PLAN --daily TIME [--mains-only] [--wake]"_s,
                u"Switch to PLAN every day at TIME, from today on."_s },
            { u"schedule PLAN --weekly DAYS TIME [--mains-only] [--wake]"_s,
                u"Switch to PLAN at TIME on DAYS (such as Mon,Fri), from today on.\n"
                "With --mains-only a time-based schedule runs only while the\n"
                "machine is on mains power; with --wake it wakes the machine\n"
                "from sleep to run, where this user may set wake-up alarms (it\n"
                "says so on stderr where only an administrator may)."_s },
            { u"schedule PLAN --network NETWORK"_s,
                u"Record PLAN for NETWORK (a name or GUID from \"ampctl networks\")."_s },
            { u"schedule PLAN --on-mains"_s, u"Switch to PLAN when the machine goes on mains power."_s },
            { u"schedule PLAN --on-battery"_s, u"Switch to PLAN when the machine goes on battery."_s },
            { u"schedule PLAN --battery-below PERCENT"_s,
                u"Switch to PLAN when the battery's charge falls below PERCENT\n"
                "(1 to 99); again only once charged 3 points above its lowest."_s },
            { u"schedule PLAN --after-wake"_s,
                u"Switch to PLAN when the machine wakes from sleep. The running\n"
                "Ampora carries out these power-based schedules, each once when\n"
                "the machine's state changes: a plan chosen afterwards holds\n"
                "until the next change. They print their GUID, the NAME that\n"
                "enable, disable and remove take."_s },
        },
        [](Commands c, Arguments a) {
            return c.schedule(a.form, a.values, a.options.contains(u"mains-only"_s), a.options.contains(u"wake"_s));
        } },
    { u"enable"_s, { { u"enable NAME"_s, u"Enable a schedule."_s } },
        [](Commands c, Arguments a) { return c.change(u"enable"_s, a.values.at(0)); } },
    { u"disable"_s, { { u"disable NAME"_s, u"Disable a schedule."_s } },
        [](Commands c, Arguments a) { return c.change(u"disable"_s, a.values.at(0)); } },
    { u"remove"_s, { { u"remove NAME"_s, u"Remove a schedule."_s } },
        [](Commands c, Arguments a) { return c.change(u"remove"_s, a.values.at(0)); } },
    { u"networks"_s, { { u"networks"_s, u"List the networks this machine knows; * marks connected ones."_s } },
        [](Commands c, Arguments) { return c.networks(); } },
    { u"battery"_s,
        { { u"battery"_s,
            u"Show the battery state as the battery popup does: status, power\n"
            "source, remaining charge and, when known, time left."_s } },
        [](Commands c, Arguments) { return c.battery(); } },
};

const QString kHelpStart = uR"(Usage: ampctl [--json] COMMAND [ARGUMENTS]

Switch, edit and schedule Ampora's power plans from a terminal or a script.

Commands:
)"_s;

const QString kHelpEnd = uR"(
PLAN is a plan's exact name or its GUID in braces, such as
{A1841308-3541-4FAB-BC81-F71556F20B4A}. TIME is HH:MM or HH:MM:SS, on a 24-hour clock.
NAME is a time-based schedule's task name (such as AMPCTL3), the network name or GUID of a
network-based schedule, or a power-based schedule's GUID. A new time-based schedule prints its
task name; a new network-based one prints the network's GUID. schedules shows when each
time-based schedule runs next and last ran (with how that run ended); a once schedule that ran
reads Completed, and one that can never run says why. Time-based schedules start the ampora program found beside
ampctl or on PATH. A name that starts with "-" goes after "--", which ends the options:
  ampctl set -- -Eco
Control characters in names (a network's name is chosen by whoever runs it) are shown escaped,
such as \x1b; --json gives them as they are. A plan's name is kept without the blanks around
it, is unique ignoring case, holds no tab, escape or other control character and is at most
256 characters long; a description holds no line break and is at most 2048 characters long.
A plan file (export, import) is described in ampctl(1) under PLAN FILES. Plans list marks
(system-wide) come from the administrator's ampora/schemes.ini in $XDG_CONFIG_DIRS: they can be
set, copied, exported and scheduled, never changed; show marks settings the administrator locked.

Settings and their values (show prints them the same way; "unset" is a value that cannot be
read):
  power-button, sleep-button, lid
                nothing, suspend (or sleep), hibernate, shutdown
  dim, display-off, disk-off, sleep, hibernate
                never (or 0), or minutes: 15min, 15, 1h 30min; up to 30000000 minutes
  lock-on-wake  on, off
  brightness    a percentage from 0 to 100: 70% or 70
  performance-profile
                power-saver, balanced, performance
A machine without a power button, sleep button, lid or dimmable display has no such settings
(brightness goes with dimming), and one without a battery has no DC values.

Applying writes the values for the current power source into what this desktop and machine
offer. When settings failed (the outcome failed below), set, set-value and apply say how many
on stderr and still succeed; status tells which, each with one of these outcomes (status --json
gives the name on the left):
  applied                 it took effect
  approximated            the desktop can only come close; the detail says how
  fixed-by-desktop        the desktop does this one way, whatever the plan says
  needs-ampora-running    only a running Ampora can do it
  needs-administrator     only an administrator may change it on this machine
  not-on-this-machine     the machine lacks it, such as a lid or a backlight
  not-on-this-desktop     nothing on this desktop sets it
  changed-outside-ampora  changed in the desktop's own settings since Ampora wrote it; left
                          alone when the power source changes or the machine wakes
  failed                  the service refused or did not answer; the detail says why

Options:
  --json        Print listings, show, get, create and status as JSON.
  --from PLAN   The plan create copies.
  --ac VALUE    The plugged-in value set-value writes.
  --dc VALUE    The on-battery value set-value writes.
  --name NAME   The name import gives the plan.
  --keep-guid   import keeps the GUID the file names.
  -h, --help    Show this help.
  --version     Show the version.

Exit status:
  0  success
  1  a file, the plan store or the task folder could not be read, locked or written (the
     message says why), a change would make the plan store too large, or the ampora program
     was not found; for apply --disk: the administrator's policy refused the spin-down time or
     UDisks failed to set it on a drive
  2  bad command line: unknown command, option or setting, wrong number of arguments, a bad
     date, time, day list or value, a date out of range, a --once time that has passed, no
     days for --weekly, an empty name, a name with a control character, or a name or
     description with a line break or too long
  3  no such plan, schedule or network, or a name that fits more than one
  4  the network has a schedule already, a power-based schedule is for that already,
     another plan has the name (ignoring case), or a plan has the GUID import --keep-guid was
     to keep
  5  the --once time never comes: the clock jumps over it when daylight saving starts (such
     as 02:30 on that day in much of Europe)
  6  the plan is in use: it is the active plan, or a schedule uses it
  7  this machine does not offer the setting, or has no battery for a --dc value; for apply
     --disk: no disk here spins down by itself, or UDisks is not running
  8  the file to import is not a plan file this version reads, or has bad lines (each is
     named on stderr); nothing was imported
  9  the administrator set it for every user: a system-wide plan cannot be changed, renamed or
     deleted, a locked setting cannot be set, and a fixed active plan cannot be changed
)"_s;

// Where the help beside each synopsis starts; a longer synopsis has its help on the next lines.
constexpr qsizetype kHelpColumn = 29;
constexpr qsizetype kIndent = 2;

QString formHelp(const AmpctlCommand::Form &form)
{
    const QString start = QString(kIndent, u' ') + form.synopsis;
    const QString margin = u'\n' + QString(kHelpColumn, u' ');
    const QString help = QString(form.help).replace(u'\n', margin);
    if (start.size() < kHelpColumn)
        return start.leftJustified(kHelpColumn) + help + u'\n';
    return start + margin + help + u'\n';
}

// The synopsis' words after the command's name.
QStringList synopsisWords(const QString &synopsis)
{
    return synopsis.split(u' ').mid(1);
}

QStringList startingWith(const QStringList &candidates, const QString &start)
{
    QStringList matches;
    for (const QString &candidate : candidates) {
        if (candidate.startsWith(start))
            matches.append(candidate);
    }
    return matches;
}

// The candidates for an argument or option value a synopsis names by this word.
QStringList wordsFor(const QString &word, const QString &setting, const std::function<QStringList()> &planNames)
{
    if (word == u"PLAN")
        return planNames();
    if (word == u"SETTING")
        return settingNames();
    if (word == u"VALUE") {
        if (const PowerSettingRow *row = settingNamed(setting))
            return valueWords(row->kind);
    }
    return {};
}

} // namespace

QStringList AmpctlCommand::Form::arguments() const
{
    QStringList arguments;
    const QStringList words = synopsisWords(synopsis);
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words.at(i).startsWith(u'[') && !words.at(i).endsWith(u']'))
            ++i; // the bracket's value word
        else if (words.at(i).startsWith(u'['))
            continue; // a flag
        else if (!words.at(i).startsWith(u"--"))
            arguments.append(words.at(i));
    }
    return arguments;
}

QString AmpctlCommand::Form::selector() const
{
    for (const QString &word : synopsisWords(synopsis)) {
        if (word.startsWith(u"--"))
            return word.mid(2);
    }
    return {};
}

QList<std::pair<QString, QString>> AmpctlCommand::Form::valueOptions() const
{
    QList<std::pair<QString, QString>> options;
    const QStringList words = synopsisWords(synopsis);
    for (qsizetype i = 0; i + 1 < words.size(); ++i) {
        if (words.at(i).startsWith(u"[--") && !words.at(i).endsWith(u']'))
            options.append({ words.at(i).mid(3), words.at(i + 1).chopped(1) });
    }
    return options;
}

QStringList AmpctlCommand::Form::flagOptions() const
{
    QStringList flags;
    for (const QString &word : synopsisWords(synopsis)) {
        if (word.startsWith(u"[--") && word.endsWith(u']'))
            flags.append(word.mid(3).chopped(1));
    }
    return flags;
}

QStringList AmpctlCommand::options() const
{
    QStringList names;
    for (const Form &form : forms) {
        for (const auto &[option, word] : form.valueOptions())
            names.append(option);
        for (const QString &flag : form.flagOptions()) {
            if (!names.contains(flag))
                names.append(flag);
        }
        if (!form.selector().isEmpty())
            names.append(form.selector());
    }
    return names;
}

const QList<AmpctlCommand> &ampctlCommands()
{
    return kCommands;
}

const AmpctlCommand *findAmpctlCommand(const QString &name)
{
    const auto it = std::find_if(
        kCommands.cbegin(), kCommands.cend(), [&](const AmpctlCommand &command) { return command.name == name; });
    return it == kCommands.cend() ? nullptr : &*it;
}

QString ampctlHelpText()
{
    QString text = kHelpStart;
    for (const AmpctlCommand &command : kCommands) {
        for (const AmpctlCommand::Form &form : command.forms)
            text += formHelp(form);
    }
    return text + kHelpEnd;
}

QStringList ampctlCompletions(const QStringList &words, const std::function<QStringList()> &planNames)
{
    const QString current = words.isEmpty() ? QString() : words.last();
    // The command is the first word that is neither an option nor an option's value; "--" ends
    // the options.
    const AmpctlCommand *command = nullptr;
    QStringList arguments;
    QString valueWord; // the word the option before the current one takes
    bool optionsEnded = false;
    for (qsizetype i = 0; i + 1 < words.size(); ++i) {
        const QString &word = words.at(i);
        valueWord.clear();
        if (!optionsEnded && word == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && word.startsWith(u'-')) {
            for (const AmpctlCommand &known : kCommands) {
                for (const AmpctlCommand::Form &form : known.forms) {
                    for (const auto &[option, value] : form.valueOptions()) {
                        if (word == u"--" + option)
                            valueWord = value;
                    }
                }
            }
            if (!valueWord.isEmpty() && i + 2 < words.size()) {
                ++i; // its value is typed already
                valueWord.clear();
            }
        } else if (!command) {
            command = findAmpctlCommand(word);
            if (!command)
                return {};
        } else {
            arguments.append(word);
        }
    }
    const QString setting = arguments.size() > 1 ? arguments.at(1) : QString();
    if (!valueWord.isEmpty())
        return startingWith(wordsFor(valueWord, setting, planNames), current);
    if (!optionsEnded && current.startsWith(u'-')) {
        QStringList options;
        for (const QString &option : command ? command->options() : QStringList())
            options.append(u"--"_s + option);
        return startingWith(options + QStringList { u"--json"_s, u"--help"_s }, current);
    }
    if (!command) {
        QStringList names;
        for (const AmpctlCommand &known : kCommands)
            names.append(known.name);
        return startingWith(names, current);
    }
    // Every form of a command names its first arguments alike, so the first form tells them.
    const QStringList wanted = command->forms.first().arguments();
    return arguments.size() < wanted.size()
        ? startingWith(wordsFor(wanted.at(arguments.size()), setting, planNames), current)
        : QStringList();
}
