// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitFile.h"

#include "RegularFile.h"

#include <QStringDecoder>

namespace {

bool isComment(const QString &trimmed, UnitFile::Syntax syntax)
{
    return trimmed.startsWith(u'#') || (syntax == UnitFile::Syntax::Unit && trimmed.startsWith(u';'));
}

// A unit line continues on the next one when it ends in a backslash that is not itself escaped.
bool endsInContinuation(const QString &line)
{
    bool escaped = false;
    for (const QChar c : line)
        escaped = !escaped && c == u'\\';
    return escaped;
}

} // namespace

UnitFile UnitFile::parse(const QString &text, Syntax syntax)
{
    UnitFile file(syntax);
    QString section;
    QString pending;
    const QStringList physical = text.split(u'\n');
    for (qsizetype i = 0; i < physical.size(); ++i) {
        QString line = physical.at(i);
        // Every carriage return ending the line: one left behind would end the line early once
        // the file is written back.
        while (line.endsWith(u'\r'))
            line.chop(1);
        if (i == physical.size() - 1 && line.isEmpty() && pending.isEmpty())
            break; // the final line break
        const bool comment = isComment(line.trimmed(), syntax);
        // systemd skips comment lines inside a continued line; kept, one ending in a backslash
        // would join the next line once the file is written back.
        if (comment && !pending.isEmpty())
            continue;
        if (syntax == Syntax::Unit && !comment && endsInContinuation(line)) {
            line.chop(1);
            pending += line + u' ';
            continue;
        }
        file.addLine(pending + line, &section);
        pending.clear();
    }
    // A backslash at the very end continues onto nothing, as systemd reads it: kept, it would
    // join the next line once the file is written back with a final line break.
    if (!pending.isEmpty())
        file.addLine(pending, &section);
    return file;
}

Result<UnitFile> UnitFile::read(const QString &path, Syntax syntax)
{
    const Result<QByteArray> bytes = RegularFile::read(path);
    if (!bytes)
        return bytes.failure();
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(*bytes);
    if (decoder.hasError())
        return invalid(QStringLiteral("%1 is not UTF-8 text").arg(path));
    return parse(text, syntax);
}

std::optional<UnitFile> UnitFile::load(const QString &path, Syntax syntax)
{
    Result<UnitFile> file = read(path, syntax);
    return file ? std::optional<UnitFile>(std::move(file.value())) : std::nullopt;
}

void UnitFile::addLine(const QString &physical, QString *section)
{
    Line line { physical, *section, {}, {}, false };
    const QString trimmed = physical.trimmed();
    if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
        *section = trimmed.mid(1, trimmed.size() - 2);
        line.section = *section;
        line.header = true;
    } else if (!trimmed.isEmpty() && !isComment(trimmed, m_syntax)) {
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq > 0) {
            line.key = trimmed.left(eq).trimmed();
            line.value = trimmed.mid(eq + 1).trimmed();
        }
    }
    m_lines.append(line);
}

QStringList UnitFile::values(const QString &section, const QString &key) const
{
    QStringList result;
    for (const Line &line : m_lines) {
        if (line.section != section || line.key != key)
            continue;
        if (m_syntax == Syntax::Unit && line.value.isEmpty())
            result.clear();
        else
            result.append(line.value);
    }
    return result;
}

QString UnitFile::value(const QString &section, const QString &key) const
{
    const QStringList all = values(section, key);
    return all.isEmpty() ? QString() : all.last();
}

bool UnitFile::contains(const QString &section, const QString &key) const
{
    return !values(section, key).isEmpty();
}

void UnitFile::addComment(const QString &comment)
{
    const QString section = m_lines.isEmpty() ? QString() : m_lines.last().section;
    m_lines.append(Line { QStringLiteral("# ") + comment, section, {}, {}, false });
}

qsizetype UnitFile::endOfSection(const QString &section) const
{
    qsizetype end = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).section == section && !m_lines.at(i).raw.trimmed().isEmpty())
            end = i + 1;
    }
    return end;
}

void UnitFile::append(const QString &section, const QString &key, const QString &value)
{
    const Line line { key + u'=' + value, section, key, value, false };
    qsizetype at = endOfSection(section);
    if (at < 0) {
        if (!m_lines.isEmpty())
            m_lines.append(Line { QString(), m_lines.last().section, {}, {}, false });
        m_lines.append(Line { u'[' + section + u']', section, {}, {}, true });
        at = m_lines.size();
    }
    m_lines.insert(at, line);
}

void UnitFile::setValue(const QString &section, const QString &key, const QString &value)
{
    bool written = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        Line &line = m_lines[i];
        if (line.section != section || line.key != key)
            continue;
        if (written) {
            m_lines.removeAt(i--);
            continue;
        }
        line = Line { key + u'=' + value, section, key, value, false };
        written = true;
    }
    if (!written)
        append(section, key, value);
}

QString UnitFile::toText() const
{
    QString text;
    for (const Line &line : m_lines)
        text += line.raw + u'\n';
    return text;
}
