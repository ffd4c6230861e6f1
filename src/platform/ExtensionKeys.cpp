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

void WriteDefinition(UnitFile &file, const QString &section, const TaskDefinition &definition)
{
    WriteText(file, section, QStringLiteral("Author"), definition.author);
    writeNumber(file, section, QStringLiteral("LogonType"), definition.principal.logonType);
    writeNumber(file, section, QStringLiteral("RunLevel"), definition.principal.runLevel);
    WriteFlag(file, section, QStringLiteral("StopIfGoingOnBatteries"), definition.settings.stopIfGoingOnBatteries);
    WriteFlag(file, section, QStringLiteral("Hidden"), definition.settings.hidden);
    WriteText(file, section, QStringLiteral("IdleWaitTimeout"), definition.settings.idleWaitTimeout);
}

void ReadDefinition(const UnitFile &file, const QString &section, TaskDefinition *definition)
{
    definition->author = ReadText(file, section, QStringLiteral("Author"));
    definition->principal.logonType = readNumber(file, section, QStringLiteral("LogonType"));
    definition->principal.runLevel = readNumber(file, section, QStringLiteral("RunLevel"));
    definition->settings.stopIfGoingOnBatteries = ReadFlag(file, section, QStringLiteral("StopIfGoingOnBatteries"));
    definition->settings.hidden = ReadFlag(file, section, QStringLiteral("Hidden"));
    definition->settings.idleWaitTimeout = ReadText(file, section, QStringLiteral("IdleWaitTimeout"));
}

void WriteFlag(UnitFile &file, const QString &section, const QString &name, bool on)
{
    if (on)
        file.append(section, keyOf(name), QStringLiteral("true"));
}

bool ReadFlag(const UnitFile &file, const QString &section, const QString &name)
{
    return IsTrue(file.value(section, keyOf(name)));
}

void WriteText(UnitFile &file, const QString &section, const QString &name, const QString &text)
{
    if (!text.isEmpty())
        file.append(section, keyOf(name), ExecQuoting::EncodeText(text));
}

QString ReadText(const UnitFile &file, const QString &section, const QString &name)
{
    return ExecQuoting::DecodeText(file.value(section, keyOf(name)));
}

bool IsTrue(const QString &value)
{
    static const QStringList kTrue
        = { QStringLiteral("1"), QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("on") };
    return kTrue.contains(value, Qt::CaseInsensitive);
}

} // namespace ExtensionKeys
