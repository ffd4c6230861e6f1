// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// A KDE configuration file as KConfig reads it: nested groups written as "[AC][Display]", keys
// trimmed, values unescaped (\s, \t, \n, \r, \\, \xNN), later entries winning over earlier ones,
// comments and blank lines ignored. Editing changes only the lines of the keys and groups it
// touches: every other byte of the user's file stays as it was.
class AMPORA_BASE_EXPORT KConfigFile
{
public:
    using Group = QStringList; // {"AC", "Display"}

    // A missing file reads as an empty one.
    static Result<KConfigFile> read(const QString &path);
    // Under KConfig's own lock ("<path>.lock", as KDE's programs take it when they write):
    // reads the file, lets change edit it and, when anything changed, replaces it atomically.
    // Gives the file as written.
    static Result<KConfigFile> update(const QString &path, const std::function<void(KConfigFile &)> &change);
    static KConfigFile fromBytes(const QByteArray &bytes);

    std::optional<QString> value(const Group &group, const QString &key) const;
    // KConfig sees a group only while it holds an entry.
    bool hasGroup(const Group &group) const;
    bool hasGroups() const;
    void setValue(const Group &group, const QString &key, const QString &value);
    // Removes the group's lines, from its header to the next one.
    void removeGroup(const Group &group);

    QByteArray bytes() const;
    bool isChanged() const { return m_changed; }

private:
    struct Line
    {
        enum class Kind { Other, Header, Entry } kind = Kind::Other;
        QByteArray raw; // with its line end
        Group group; // the group a header opens or an entry belongs to
        QString key;
        QString value;
    };
    static Line entryLine(const Group &group, const QString &key, const QString &value, QByteArray prefix = {});

    std::vector<Line> m_lines;
    bool m_changed = false;
};
