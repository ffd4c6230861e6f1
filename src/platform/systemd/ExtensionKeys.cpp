// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExtensionKeys.h"

#include "ExecQuoting.h"
#include "UnitFile.h"

namespace ExtensionKeys {

namespace {

QString keyOf(const QString &name)
{
    return QStringLiteral("X-Ampora-") + name;
}

void writeNumber(UnitFile &file, const QString &section, const QString &name, int number)
{
    if (number != 0)
        file.append(section, keyOf(name), QString::number(number));
}

int readNumber(const UnitFile &file, const QString &section, const QString &name)
{
    return file.value(section, keyOf(name)).toInt();
}

} // namespace

void writeDefinition(UnitFile &file, const QString &section, const TaskDefinition &definition)
{
    writeText(file, section, QStringLiteral("Author"), definition.author);
    writeNumber(file, section, QStringLiteral("LogonType"), definition.principal.logonType);
    writeNumber(file, section, QStringLiteral("RunLevel"), definition.principal.runLevel);
    writeFlag(file, section, QStringLiteral("StopIfGoingOnBatteries"), definition.settings.stopIfGoingOnBatteries);
    writeFlag(file, section, QStringLiteral("Hidden"), definition.settings.hidden);
    writeText(file, section, QStringLiteral("IdleWaitTimeout"), definition.settings.idleWaitTimeout);
}

void readDefinition(const UnitFile &file, const QString &section, TaskDefinition *definition)
{
    definition->author = readText(file, section, QStringLiteral("Author"));
    definition->principal.logonType = readNumber(file, section, QStringLiteral("LogonType"));
    definition->principal.runLevel = readNumber(file, section, QStringLiteral("RunLevel"));
    definition->settings.stopIfGoingOnBatteries = readFlag(file, section, QStringLiteral("StopIfGoingOnBatteries"));
    definition->settings.hidden = readFlag(file, section, QStringLiteral("Hidden"));
    definition->settings.idleWaitTimeout = readText(file, section, QStringLiteral("IdleWaitTimeout"));
}

void writeFlag(UnitFile &file, const QString &section, const QString &name, bool on)
{
    if (on)
        file.append(section, keyOf(name), QStringLiteral("true"));
}

bool readFlag(const UnitFile &file, const QString &section, const QString &name)
{
    return isTrue(file.value(section, keyOf(name)));
}

void writeText(UnitFile &file, const QString &section, const QString &name, const QString &text)
{
    if (!text.isEmpty())
        file.append(section, keyOf(name), ExecQuoting::encodeText(text));
}

QString readText(const UnitFile &file, const QString &section, const QString &name)
{
    return ExecQuoting::decodeText(file.value(section, keyOf(name)));
}

bool isTrue(const QString &value)
{
    static const QStringList kTrue
        = { QStringLiteral("1"), QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("on") };
    return kTrue.contains(value, Qt::CaseInsensitive);
}

} // namespace ExtensionKeys
