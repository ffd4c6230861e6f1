// SPDX-License-Identifier: GPL-3.0-or-later
#include "KConfigFile.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#include <QFileInfo>
#include <QLockFile>

using namespace Qt::StringLiterals;

namespace {

// How long another KDE program may hold the file's lock; KConfig holds it only while it writes.
constexpr int kLockWaitMs = 3000;

enum class Kind { Group, Key, Value };

QByteArray printable(const QString &text, Kind kind)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        const bool edge = i == 0 || i == utf8.size() - 1;
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == ' ' && edge && kind == Kind::Value)
            out += "\\s"; // KConfig trims blanks around values
        else if ((static_cast<unsigned char>(c) < 0x20) || ((c == '[' || c == ']') && kind != Kind::Value)
            || (c == '=' && kind == Kind::Key))
            out += "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

QString unprintable(QByteArrayView text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char next = text.at(++i);
        bool ok = false;
        const int code = next == 'x' && i + 2 < text.size() ? text.sliced(i + 1, 2).toInt(&ok, 16) : 0;
        if (next == 's')
            out += ' ';
        else if (next == 't')
            out += '\t';
        else if (next == 'n')
            out += '\n';
        else if (next == 'r')
            out += '\r';
        else if (next == '\\')
            out += '\\';
        else if (ok) {
            out += char(code);
            i += 2;
        } else
            out += QByteArray(1, '\\') + next; // "\;" and "\," belong to lists: kept as they are
    }
    return QString::fromUtf8(out);
}

// "[AC][Display]" → {"AC", "Display"}; an option part such as "[$i]" is no part of the name.
std::optional<KConfigFile::Group> parseHeader(QByteArrayView line)
{
    KConfigFile::Group group;
    qsizetype at = 0;
    while (at < line.size() && line.at(at) == '[') {
        const qsizetype end = line.indexOf(']', at);
        if (end < 0)
            return std::nullopt;
        const QByteArrayView part = line.sliced(at + 1, end - at - 1);
        if (group.isEmpty() || !part.startsWith('$'))
            group.append(unprintable(part));
        at = end + 1;
    }
    return group;
}

QByteArray headerText(const KConfigFile::Group &group)
{
    QByteArray text;
    for (const QString &part : group)
        text += '[' + printable(part, Kind::Group) + ']';
    return text + '\n';
}

} // namespace

KConfigFile KConfigFile::fromBytes(const QByteArray &bytes)
{
    KConfigFile file;
    Group current;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        Line line;
        line.raw = bytes.sliced(start, end - start);
        start = end;
        const QByteArray text = line.raw.trimmed();
        if (text.startsWith('[')) {
            if (const std::optional<Group> group = parseHeader(text)) {
                current = *group;
                line.kind = Line::Kind::Header;
            }
        } else if (const qsizetype equals = text.indexOf('='); !text.startsWith('#') && equals > 0) {
            QByteArray key = text.left(equals).trimmed();
            // "Key[$i]" carries options; "Key[de]" is a translation, another entry altogether.
            const qsizetype bracket = key.indexOf('[');
            if (bracket < 0 || key.mid(bracket + 1).startsWith('$')) {
                line.kind = Line::Kind::Entry;
                line.key = unprintable(bracket < 0 ? key : key.left(bracket));
                line.value = unprintable(text.mid(equals + 1).trimmed());
            }
        }
        line.group = current;
        file.m_lines.push_back(std::move(line));
    }
    return file;
}

Result<KConfigFile> KConfigFile::read(const QString &path)
{
    const Result<QByteArray> bytes = RegularFile::read(path);
    if (bytes.failedWith(Failure::Kind::NotFound))
        return KConfigFile();
    if (!bytes)
        return bytes.failure();
    return fromBytes(*bytes);
}

Result<KConfigFile> KConfigFile::update(const QString &path, const std::function<void(KConfigFile &)> &change)
{
    if (const Result<> folder = AtomicFile::makePrivateFolder(QFileInfo(path).absolutePath()); !folder)
        return folder.failure();
    QLockFile lock(path + u".lock"_s);
    if (!lock.tryLock(kLockWaitMs)) {
        return failed(lock.error() == QLockFile::LockFailedError ? u"%1 is being written by another program"_s.arg(path)
                                                                 : u"%1 cannot be locked (%2.lock)"_s.arg(path, path));
    }
    Result<KConfigFile> file = read(path);
    if (!file)
        return file;
    change(file.value());
    if (file->isChanged()) {
        if (const Result<> written = AtomicFile::write(path, file->bytes()); !written)
            return written.failure();
    }
    return file;
}

std::optional<QString> KConfigFile::value(const Group &group, const QString &key) const
{
    std::optional<QString> found;
    for (const Line &line : m_lines) {
        if (line.kind == Line::Kind::Entry && line.group == group && line.key == key)
            found = line.value;
    }
    return found;
}

bool KConfigFile::hasGroup(const Group &group) const
{
    return std::any_of(m_lines.cbegin(), m_lines.cend(),
        [&](const Line &line) { return line.kind == Line::Kind::Entry && line.group == group; });
}

bool KConfigFile::hasGroups() const
{
    return std::any_of(m_lines.cbegin(), m_lines.cend(),
        [](const Line &line) { return line.kind == Line::Kind::Entry && !line.group.isEmpty(); });
}

KConfigFile::Line KConfigFile::entryLine(
    const Group &group, const QString &key, const QString &value, QByteArray prefix)
{
    if (prefix.isEmpty())
        prefix = printable(key, Kind::Key) + '=';
    return { Line::Kind::Entry, prefix + printable(value, Kind::Value) + '\n', group, key, value };
}

void KConfigFile::setValue(const Group &group, const QString &key, const QString &value)
{
    if (this->value(group, key) == value)
        return;
    m_changed = true;
    std::optional<std::size_t> insertAt;
    bool replaced = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        Line &line = m_lines[i];
        if (line.group != group || line.kind == Line::Kind::Other)
            continue;
        insertAt = i + 1; // after the group's last header or entry
        if (line.kind == Line::Kind::Entry && line.key == key) {
            // The key as the file spells it, options ("[$i]") and all; only the value changes.
            line = entryLine(group, key, value, line.raw.left(line.raw.indexOf('=') + 1).trimmed());
            replaced = true;
        }
    }
    if (replaced)
        return;
    if (insertAt) {
        m_lines.insert(m_lines.begin() + qsizetype(*insertAt), entryLine(group, key, value));
        return;
    }
    QByteArray ending;
    const QByteArray all = bytes();
    if (!all.isEmpty() && !all.endsWith('\n'))
        ending += '\n';
    if (!all.isEmpty() && !QByteArray(all + ending).endsWith("\n\n"))
        ending += '\n';
    if (!ending.isEmpty())
        m_lines.push_back({ Line::Kind::Other, ending, {}, {}, {} });
    m_lines.push_back({ Line::Kind::Header, headerText(group), group, {}, {} });
    m_lines.push_back(entryLine(group, key, value));
}

void KConfigFile::removeGroup(const Group &group)
{
    const auto before = m_lines.size();
    std::erase_if(m_lines, [&](const Line &line) { return line.group == group; });
    m_changed = m_changed || m_lines.size() != before;
}

QByteArray KConfigFile::bytes() const
{
    QByteArray all;
    for (const Line &line : m_lines)
        all += line.raw;
    return all;
}
