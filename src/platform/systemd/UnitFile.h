// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A systemd unit file or an XDG desktop entry: "[Section]" headers and "Key=Value" lines, keys
// compared case-sensitively. Unit files join lines that end in a backslash and may assign a key
// several times (an empty assignment clears the earlier ones). Editing keeps every other line.
class UnitFile
{
public:
    enum class Syntax { Unit, Desktop };

    explicit UnitFile(Syntax syntax)
        : m_syntax(syntax)
    {
    }

    static UnitFile parse(const QString &text, Syntax syntax);
    // Reads a regular file (or a link to one) of UTF-8 text. Fails with NotFound when it is
    // missing, Invalid when it is not a regular file, too large or not UTF-8, Failed when it
    // cannot be read; the message names the file and says why.
    static Result<UnitFile> read(const QString &path, Syntax syntax);
    // The same, for callers that only need to know whether the file could be read.
    static std::optional<UnitFile> load(const QString &path, Syntax syntax);

    // Every value assigned to key in section, in file order.
    QStringList values(const QString &section, const QString &key) const;
    // The last value assigned, or an empty string.
    QString value(const QString &section, const QString &key) const;
    bool contains(const QString &section, const QString &key) const;

    void addComment(const QString &comment);
    // Adds one more assignment at the end of section, creating the section at the end.
    void append(const QString &section, const QString &key, const QString &value);
    // Makes value the only assignment of key: the first line is rewritten, later ones dropped.
    void setValue(const QString &section, const QString &key, const QString &value);

    QString toText() const;

private:
    struct Line
    {
        QString raw;
        QString section; // the section the line belongs to
        QString key; // empty for headers, comments, blank and malformed lines
        QString value;
        bool header = false;
    };

    void addLine(const QString &physical, QString *section);
    qsizetype endOfSection(const QString &section) const;

    Syntax m_syntax;
    QList<Line> m_lines;
};
