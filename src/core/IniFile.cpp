// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniFile.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#include <QStringDecoder>

namespace {

QString fold(const QString &name)
{
    // Names are nearly always ASCII, where folding is lower-casing; full Unicode folding is slow
    // enough to dominate reading a large file.
    bool hasUpper = false;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return name.toCaseFolded();
        hasUpper = hasUpper || (c >= u'A' && c <= u'Z');
    }
    if (!hasUpper)
        return name;
    QString folded = name;
    for (QChar &c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}

// The text, also when the bytes were not all valid: what could be decoded is still read.
struct Decoded
{
    QString text;
    bool valid = true;
};

Decoded decode(const QByteArray &bytes)
{
    auto decodeWith = [&](QStringConverter::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        QString text = decoder(QByteArrayView(bytes).sliced(skip));
        // The UTF-16 decoder lets unpaired surrogates through; they cannot be written back.
        const bool valid = !decoder.hasError() && text.isValidUtf16();
        return Decoded { std::move(text), valid };
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeWith(QStringConverter::Utf8, 3);
    if (bytes.startsWith("\xFF\xFE")) {
        Decoded decoded = decodeWith(QStringConverter::Utf16LE, 2);
        decoded.valid = decoded.valid && bytes.size() % 2 == 0; // the decoder drops a cut-off last byte silently
        return decoded;
    }
    return decodeWith(QStringConverter::Utf8, 0);
}

bool hasBreakingCharacter(const QString &s)
{
    return s.contains(u'\n') || s.contains(u'\r') || s.contains(QChar(u'\0'));
}

} // namespace

IniFile IniFile::load(const QString &path)
{
    IniFile ini;
    const Result<QByteArray> bytes = RegularFile::read(path, kSizeLimit);
    if (bytes.failedWith(Failure::Kind::NotFound))
        return ini;
    ini.m_fileExists = true;
    if (!bytes) {
        ini.m_readError = bytes.failure().message;
        return ini;
    }
    ini.parseBytes(*bytes);
    return ini;
}

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    IniFile ini;
    ini.m_fileExists = true;
    ini.parseBytes(bytes);
    return ini;
}

void IniFile::parseBytes(const QByteArray &bytes)
{
    const Decoded decoded = decode(bytes);
    m_encodingError = !decoded.valid;
    parse(decoded.text);
}

void IniFile::parse(const QString &text)
{
    if (text.isEmpty())
        return;
    QList<Line> *target = &m_preamble;
    int lineNumber = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        if (end == text.size() && start == end && start != 0)
            break; // no empty line after a final line break
        ++lineNumber;
        Line line { text.mid(start, end - start), {}, {} };
        const QString trimmed = line.raw.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close < 0)
                m_malformedLines.append(lineNumber);
            Section section;
            section.name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            section.rawHeader = line.raw;
            m_sections.append(section);
            target = &m_sections.last().lines;
        } else {
            const qsizetype eq = trimmed.indexOf(u'=');
            if (eq > 0) {
                line.key = trimmed.left(eq).trimmed();
                line.value = trimmed.mid(eq + 1).trimmed();
            } else if (!trimmed.isEmpty() && !trimmed.startsWith(u';') && !trimmed.startsWith(u'#')) {
                m_malformedLines.append(lineNumber);
            }
            target->append(line);
        }
        if (end < text.size() && text.at(end) == u'\r' && end + 1 < text.size() && text.at(end + 1) == u'\n')
            ++end;
        start = end + 1;
    }
    reindexSections();
}

void IniFile::Section::reindex()
{
    // Walk backwards so that the first line of a key is the one that stays indexed.
    keyIndex.clear();
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (!lines.at(i).key.isEmpty())
            keyIndex.insert(fold(lines.at(i).key), i);
    }
}

void IniFile::reindexSections()
{
    m_sectionIndex.clear();
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i) {
        m_sections[i].reindex();
        m_sectionIndex.insert(fold(m_sections.at(i).name), i);
    }
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    const auto it = m_sectionIndex.constFind(fold(name.trimmed()));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections.at(*it);
}

IniFile::Section *IniFile::findSection(const QString &name)
{
    const auto it = m_sectionIndex.constFind(fold(name.trimmed()));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[*it];
}

QString IniFile::value(const QString &section, const QString &key, const QString &fallback) const
{
    const Section *s = findSection(section);
    if (!s)
        return fallback;
    const auto it = s->keyIndex.constFind(fold(key.trimmed()));
    return it == s->keyIndex.cend() ? fallback : s->lines.at(*it).value;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    return s && s->keyIndex.contains(fold(key.trimmed()));
}

bool IniFile::hasSection(const QString &section) const
{
    return findSection(section) != nullptr;
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    names.reserve(m_sections.size());
    for (const Section &s : m_sections)
        names.append(s.name);
    return names;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList result;
    if (const Section *s = findSection(section)) {
        for (const Line &line : s->lines) {
            if (!line.key.isEmpty())
                result.append(line.key);
        }
    }
    return result;
}

bool IniFile::isSafeValue(const QString &value)
{
    return !hasBreakingCharacter(value);
}

Result<> IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (sectionName.isEmpty() || hasBreakingCharacter(sectionName) || sectionName.contains(u']'))
        return invalid(QStringLiteral("\"%1\" cannot name a section").arg(section));
    if (keyName.isEmpty() || hasBreakingCharacter(keyName) || keyName.contains(u'=') || keyName.startsWith(u'[')
        || keyName.startsWith(u';') || keyName.startsWith(u'#')) {
        return invalid(QStringLiteral("\"%1\" cannot name a key").arg(key));
    }
    if (hasBreakingCharacter(value))
        return invalid(QStringLiteral("the value of %1 holds a line break or NUL").arg(keyName));
    const Line line { keyName + u'=' + value, keyName, value.trimmed() };
    Section *s = findSection(sectionName);
    if (!s) {
        Section fresh;
        fresh.name = sectionName;
        fresh.rawHeader = u'[' + sectionName + u']';
        fresh.lines.append(line);
        fresh.reindex();
        m_sections.append(fresh);
        m_sectionIndex.insert(fold(sectionName), m_sections.size() - 1);
        return {};
    }
    const auto it = s->keyIndex.constFind(fold(keyName));
    if (it != s->keyIndex.cend()) {
        s->lines[*it] = Line { s->lines.at(*it).key + u'=' + value, s->lines.at(*it).key, value.trimmed() };
        return {};
    }
    // New keys go after the section's last non-blank line, so blank separators stay last.
    qsizetype at = s->lines.size();
    while (at > 0 && s->lines.at(at - 1).raw.trimmed().isEmpty())
        --at;
    s->lines.insert(at, line);
    s->reindex();
    return {};
}

Result<> IniFile::removeKey(const QString &section, const QString &key)
{
    Section *s = findSection(section);
    const auto it = s ? s->keyIndex.constFind(fold(key.trimmed())) : QHash<QString, qsizetype>::const_iterator();
    if (!s || it == s->keyIndex.cend())
        return notFound(QStringLiteral("no key %1 in section %2").arg(key, section));
    s->lines.removeAt(*it);
    s->reindex();
    return {};
}

Result<> IniFile::removeSection(const QString &section)
{
    const auto it = m_sectionIndex.constFind(fold(section.trimmed()));
    if (it == m_sectionIndex.cend())
        return notFound(QStringLiteral("no section %1").arg(section));
    m_sections.removeAt(*it);
    m_sectionIndex.clear();
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i)
        m_sectionIndex.insert(fold(m_sections.at(i).name), i);
    return {};
}

QByteArray IniFile::toBytes() const
{
    QString text;
    auto appendLines = [&text](const QList<Line> &lines) {
        for (const Line &line : lines) {
            text += line.raw;
            text += u'\n';
        }
    };
    appendLines(m_preamble);
    for (const Section &s : m_sections) {
        text += s.rawHeader;
        text += u'\n';
        appendLines(s.lines);
    }
    return text.toUtf8();
}

Result<> IniFile::save(const QString &path, AtomicFile::Durability durability) const
{
    return AtomicFile::write(path, toBytes(), durability);
}
