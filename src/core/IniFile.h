// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "AtomicFile.h"
#include "Result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// An INI document with the classic profile-string rules: section and key names are matched
// without regard to case, the first section of a name and the first key of a name win, blanks
// around names and values are trimmed, and values come back exactly as stored otherwise.
// Editing keeps every other line of the file as it was, so hand-written comments survive.
class AMPORA_BASE_EXPORT IniFile
{
public:
    enum class Encoding { Utf8, Utf8Bom, Utf16LeBom };

    IniFile() = default;

    // Larger files are not read: no settings file or plan store comes near it.
    static constexpr qint64 kSizeLimit = 8 * 1024 * 1024;

    // Reads UTF-8 (with or without BOM) or UTF-16LE with BOM. A missing file is an empty
    // document; fileExists() and the error accessors tell the cases apart. Only a regular file
    // (or a link to one) of at most kSizeLimit bytes is read; anything else fails to read.
    static IniFile load(const QString &path);
    static IniFile fromBytes(const QByteArray &bytes);

    bool fileExists() const { return m_fileExists; }
    bool readFailed() const { return !m_readError.isEmpty(); }
    // Why the file could not be read, naming it; empty when it was read.
    const QString &readError() const { return m_readError; }
    // The bytes were not valid text in the detected encoding (invalid sequences, unpaired
    // surrogates or a cut-off last character): writing the text back would change it.
    bool hasEncodingError() const { return m_encodingError; }
    // 1-based numbers of lines that are neither blank, a comment, a section header nor key=value.
    const QList<int> &malformedLines() const { return m_malformedLines; }

    QString value(const QString &section, const QString &key, const QString &fallback = {}) const;
    bool contains(const QString &section, const QString &key) const;
    bool hasSection(const QString &section) const;
    QStringList sectionNames() const;
    QStringList keys(const QString &section) const;

    // Refuses (Invalid) names or values that could break the line structure: line breaks or NUL
    // anywhere, '=' in a key, ']' in a section name, empty names.
    Result<> setValue(const QString &section, const QString &key, const QString &value);
    // NotFound when there is no such key or section.
    Result<> removeKey(const QString &section, const QString &key);
    Result<> removeSection(const QString &section);

    QByteArray toBytes() const;
    // Writes UTF-8 through a temporary file renamed over the target, creating the folder, as
    // AtomicFile::write does. On failure the old file is left as it was.
    Result<> save(const QString &path, AtomicFile::Durability durability = AtomicFile::Durability::Durable) const;

    static bool isSafeValue(const QString &value);

private:
    struct Line
    {
        QString raw;
        QString key; // empty for blank, comment and malformed lines
        QString value;
    };
    struct Section
    {
        QString name;
        QString rawHeader;
        QList<Line> lines;
        QHash<QString, qsizetype> keyIndex; // folded key -> first line with it
        void reindex();
    };

    void parseBytes(const QByteArray &bytes);
    void parse(const QString &text);
    void reindexSections();
    const Section *findSection(const QString &name) const;
    Section *findSection(const QString &name);

    QList<Line> m_preamble; // lines before the first section header
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex; // folded name -> first section with it
    QList<int> m_malformedLines;
    bool m_fileExists = false;
    QString m_readError;
    bool m_encodingError = false;
};
