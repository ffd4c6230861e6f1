// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Command lines and free text as systemd units and desktop entries store them. Each writer has a
// reader that gives back exactly the words that were written.
namespace ExecQuoting {

// A task's arguments are the program's arguments joined by single blanks, so splitting at every
// blank is the exact inverse (an empty text is no argument at all).
QStringList argumentWords(const QString &arguments);
QString joinArgumentWords(const QStringList &words);

// systemd runs only programs whose absolute path has no quote, backslash or control character.
bool systemdCanStart(const QString &program);
// An ExecStart= value: words quoted where needed, '%' doubled everywhere and '$' in arguments.
QString systemdExecLine(const QStringList &words);
// Nothing for a line with an open quote or an unknown escape.
std::optional<QStringList> splitSystemdExecLine(const QString &line);
// A path as a unit's Condition...= value, '%' doubled; nothing when the unit file would change it
// (a control character, a trailing blank or backslash) or it is not absolute.
std::optional<QString> systemdPathValue(const QString &path);

// An Exec= value of a desktop entry; nothing when a word holds a character no entry can carry.
// A program path with '%' is started through "nice -n 0 --", which the reader takes off again.
std::optional<QString> desktopExecLine(const QStringList &words);
std::optional<QStringList> splitDesktopExecLine(const QString &line);

// Free text for X-Ampora-... keys: '%', backslashes, control characters and blanks at either end
// are percent-encoded (UTF-8), so the value survives both file formats unchanged.
QString encodeText(const QString &text);
QString decodeText(const QString &value);

} // namespace ExecQuoting
