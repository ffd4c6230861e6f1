// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutostartEntry.h"

#include "ExecQuoting.h"
#include "ExtensionKeys.h"

namespace {

const QString kEntry = QStringLiteral("Desktop Entry");
const QString kEnabledKey = QStringLiteral("X-GNOME-Autostart-enabled");
const QString kDelayKeys[] = { QStringLiteral("X-GNOME-Autostart-Delay"), QStringLiteral("X-MATE-Autostart-Delay") };

// A string value as desktop entries escape it: backslash, tab, line breaks, and a leading blank.
QString desktopString(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u' ' && out.isEmpty())
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

} // namespace

std::optional<QString> AutostartEntry::compose(const TaskDefinition &definition)
{
    if (definition.triggers.size() != 1 || definition.actions.size() != 1)
        return std::nullopt;
    const TaskDefinition::Trigger &trigger = definition.triggers.constFirst();
    const TaskDefinition::Action &action = definition.actions.constFirst();
    if (trigger.type != TaskDefinition::TriggerType::Logon || trigger.daysOfWeek != 0 || trigger.delaySeconds < 0
        || action.type != TaskDefinition::ActionType::Exec || action.path.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<QString> exec
        = ExecQuoting::desktopExecLine(QStringList(action.path) + ExecQuoting::argumentWords(action.arguments));
    if (!exec)
        return std::nullopt;

    UnitFile entry(UnitFile::Syntax::Desktop);
    entry.addComment(
        QStringLiteral("Written by Ampora: starts Ampora when you log in. Change it in Ampora's settings."));
    entry.append(kEntry, QStringLiteral("Type"), QStringLiteral("Application"));
    entry.append(kEntry, QStringLiteral("Name"), QStringLiteral("Ampora"));
    entry.append(kEntry, QStringLiteral("Exec"), *exec);
    // Once the program is gone (its package removed), desktops skip the entry at log-in.
    entry.append(kEntry, QStringLiteral("TryExec"), desktopString(action.path));
    entry.append(kEntry, QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.append(kEntry, kEnabledKey, QStringLiteral("true"));
    if (trigger.delaySeconds > 0) {
        for (const QString &key : kDelayKeys)
            entry.append(kEntry, key, QString::number(trigger.delaySeconds));
    }
    ExtensionKeys::writeFlag(entry, kEntry, QStringLiteral("Task"), true);
    ExtensionKeys::writeText(entry, kEntry, QStringLiteral("TriggerId"), trigger.id);
    ExtensionKeys::writeText(entry, kEntry, QStringLiteral("startBoundary"), trigger.startBoundary);
    ExtensionKeys::writeFlag(
        entry, kEntry, QStringLiteral("StartWhenAvailable"), definition.settings.startWhenAvailable);
    ExtensionKeys::writeFlag(
        entry, kEntry, QStringLiteral("DisallowStartIfOnBatteries"), definition.settings.disallowStartIfOnBatteries);
    ExtensionKeys::writeDefinition(entry, kEntry, definition);
    return entry.toText();
}

bool AutostartEntry::isTask(const UnitFile &entry)
{
    return ExtensionKeys::readFlag(entry, kEntry, QStringLiteral("Task"));
}

bool AutostartEntry::isEnabled(const UnitFile &entry)
{
    return entry.value(kEntry, kEnabledKey) != u"false" && entry.value(kEntry, QStringLiteral("Hidden")) != u"true";
}

void AutostartEntry::setEnabled(UnitFile &entry, bool enabled)
{
    entry.setValue(kEntry, kEnabledKey, enabled ? QStringLiteral("true") : QStringLiteral("false"));
}

TaskDefinition AutostartEntry::decompose(const UnitFile &entry)
{
    TaskDefinition definition;
    TaskDefinition::Trigger trigger;
    trigger.type = TaskDefinition::TriggerType::Logon;
    trigger.id = ExtensionKeys::readText(entry, kEntry, QStringLiteral("TriggerId"));
    trigger.startBoundary = ExtensionKeys::readText(entry, kEntry, QStringLiteral("startBoundary"));
    trigger.delaySeconds = entry.value(kEntry, kDelayKeys[0]).toInt();
    definition.triggers.append(trigger);

    definition.settings.startWhenAvailable
        = ExtensionKeys::readFlag(entry, kEntry, QStringLiteral("StartWhenAvailable"));
    definition.settings.disallowStartIfOnBatteries
        = ExtensionKeys::readFlag(entry, kEntry, QStringLiteral("DisallowStartIfOnBatteries"));
    ExtensionKeys::readDefinition(entry, kEntry, &definition);

    const std::optional<QStringList> words
        = ExecQuoting::splitDesktopExecLine(entry.value(kEntry, QStringLiteral("Exec")));
    if (words && !words->isEmpty()) {
        definition.actions.append(TaskDefinition::Action {
            TaskDefinition::ActionType::Exec, words->constFirst(), ExecQuoting::joinArgumentWords(words->mid(1)) });
    }
    return definition;
}
