// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExecQuoting.h"

#include <QByteArray>

namespace ExecQuoting {

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

QString hexEscape(QChar c)
{
    return QString::asprintf("\\x%02x", c.unicode());
}

// systemd: quote words with blanks, quotes, backslashes, semicolons or control characters.
QString systemdWord(const QString &word, bool expandsVariables)
{
    const bool quote = word.isEmpty() || std::any_of(word.cbegin(), word.cend(), [](QChar c) {
        return c.isSpace() || c == u'"' || c == u'\'' || c == u'\\' || c == u';' || isControl(c);
    });
    QString out;
    for (const QChar c : word) {
        if (c == u'%')
            out += u"%%";
        else if (c == u'$' && expandsVariables)
            out += u"$$";
        else if (c == u'\\' || c == u'"')
            out += u'\\' + QString(c);
        else if (c == u'\n')
            out += u"\\n";
        else if (c == u'\t')
            out += u"\\t";
        else if (isControl(c))
            out += hexEscape(c);
        else
            out += c;
    }
    return quote ? u'"' + out + u'"' : out;
}

// The C-style escapes systemd understands inside and outside quotes: what the escape whose
// backslash is at line[at] stands for and the index of its last character; nothing for an escape
// systemd does not know.
struct Unescaped
{
    QChar character;
    qsizetype last;
};

std::optional<Unescaped> unescapeAt(QStringView line, qsizetype at)
{
    if (at + 1 >= line.size())
        return std::nullopt;
    const QChar next = line.at(at + 1);
    static const QString kPlain = QStringLiteral("\\\"' ;");
    static const QString kLetters = QStringLiteral("abfnrtvs");
    static const QString kCodes = QStringLiteral("\a\b\f\n\r\t\v ");
    if (kPlain.contains(next))
        return Unescaped { next, at + 1 };
    if (const qsizetype k = kLetters.indexOf(next); k >= 0)
        return Unescaped { kCodes.at(k), at + 1 };
    if (next == u'x' && at + 3 < line.size()) {
        bool ok = false;
        const ushort code = line.sliced(at + 2, 2).toUShort(&ok, 16);
        if (ok)
            return Unescaped { QChar(code), at + 3 };
    }
    return std::nullopt;
}

// "%%" stands for '%'; other specifiers cannot be resolved here and stay as written.
QString undoSpecifiers(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text.at(i);
        if (text.at(i) == u'%' && i + 1 < text.size() && text.at(i + 1) == u'%')
            ++i;
    }
    return out;
}

// Runs the program that follows at the same priority: the launcher of a desktop entry whose
// program path holds a '%'.
const QStringList &launcherWords()
{
    static const QStringList words { QStringLiteral("nice"), QStringLiteral("-n"), QStringLiteral("0"),
        QStringLiteral("--") };
    return words;
}

bool startsWithLauncher(const QStringList &words)
{
    return words.size() > launcherWords().size() && words.mid(0, launcherWords().size()) == launcherWords();
}

bool isDesktopReserved(QChar c)
{
    return QStringView(u" \t\n\"'\\><~|&;$*?#()`").contains(c);
}

QString desktopWord(const QString &word)
{
    QString out;
    for (const QChar c : word) {
        if (c == u'%')
            out += u"%%";
        else if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\' + QString(c);
        else
            out += c;
    }
    // Any blank is quoted, not only the reserved ones: a word that ended the line with a blank
    // such as U+00A0 would lose it when the entry's value is trimmed on reading.
    const bool quote = word.isEmpty()
        || std::any_of(word.cbegin(), word.cend(), [](QChar c) { return isDesktopReserved(c) || c.isSpace(); });
    return quote ? u'"' + out + u'"' : out;
}

// Value-level escapes of desktop entry strings.
QString escapeDesktopValue(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += u"\\\\";
        else if (c == u'\n')
            out += u"\\n";
        else if (c == u'\t')
            out += u"\\t";
        else if (c == u'\r')
            out += u"\\r";
        else
            out += c;
    }
    return out;
}

std::optional<QString> unescapeDesktopValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != u'\\') {
            out += value.at(i);
            continue;
        }
        if (++i >= value.size())
            return std::nullopt;
        const qsizetype k = QStringView(u"\\ntrs").indexOf(value.at(i));
        if (k < 0)
            return std::nullopt;
        out += QStringView(u"\\\n\t\r ").at(k);
    }
    return out;
}

} // namespace

QStringList argumentWords(const QString &arguments)
{
    return arguments.isEmpty() ? QStringList() : arguments.split(u' ');
}

QString joinArgumentWords(const QStringList &words)
{
    return words.join(u' ');
}

bool systemdCanStart(const QString &program)
{
    return program.startsWith(u'/') && !std::any_of(program.cbegin(), program.cend(), [](QChar c) {
        return c == u'"' || c == u'\'' || c == u'\\' || isControl(c);
    });
}

std::optional<QString> systemdPathValue(const QString &path)
{
    if (!path.startsWith(u'/') || path.endsWith(u'\\') || path.back().isSpace()
        || std::any_of(path.cbegin(), path.cend(), isControl)) {
        return std::nullopt;
    }
    return QString(path).replace(u'%', QStringLiteral("%%"));
}

QString systemdExecLine(const QStringList &words)
{
    QStringList quoted;
    for (qsizetype i = 0; i < words.size(); ++i)
        quoted.append(systemdWord(words.at(i), i > 0));
    return quoted.join(u' ');
}

std::optional<QStringList> splitSystemdExecLine(const QString &line)
{
    const QString text = undoSpecifiers(line);
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quote.isNull() && QStringView(u" \t\n\r").contains(c)) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            const std::optional<Unescaped> escape = unescapeAt(text, i);
            if (!escape)
                return std::nullopt;
            word += escape->character;
            i = escape->last;
        } else if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (quote.isNull() && (c == u'"' || c == u'\'')) {
            quote = c;
        } else {
            word += c;
        }
    }
    if (!quote.isNull())
        return std::nullopt;
    if (inWord)
        words.append(word);
    for (qsizetype i = 1; i < words.size(); ++i)
        words[i].replace(QStringLiteral("$$"), QStringLiteral("$"));
    return words;
}

std::optional<QString> desktopExecLine(const QStringList &words)
{
    // Desktops look the program up before they turn "%%" into '%' (GLib, systemd's autostart
    // generator), so a program with '%' in its path is started through a launcher that does
    // nothing else. Words that begin with the launcher get it twice, so reading strips one.
    const bool launched = (!words.isEmpty() && words.constFirst().contains(u'%')) || startsWithLauncher(words);
    QStringList quoted;
    for (const QString &word : launched ? launcherWords() + words : words) {
        if (std::any_of(word.cbegin(), word.cend(), [](QChar c) { return isControl(c) && c != u'\n' && c != u'\t'; }))
            return std::nullopt;
        quoted.append(desktopWord(word));
    }
    return escapeDesktopValue(quoted.join(u' '));
}

std::optional<QStringList> splitDesktopExecLine(const QString &line)
{
    const std::optional<QString> text = unescapeDesktopValue(line);
    if (!text)
        return std::nullopt;
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text->size(); ++i) {
        const QChar c = text->at(i);
        if (!quoted && c == u' ') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (quoted && c == u'\\' && i + 1 < text->size()) {
            word += text->at(++i);
        } else if (c == u'%' && i + 1 < text->size() && text->at(i + 1) == u'%') {
            word += c;
            ++i;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words.append(word);
    if (startsWithLauncher(words))
        words.remove(0, launcherWords().size());
    return words;
}

QString encodeText(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool edgeBlank = c.isSpace() && (i == 0 || i == text.size() - 1);
        if (c == u'%' || c == u'\\' || isControl(c) || edgeBlank) {
            for (const char byte : QString(c).toUtf8())
                out += QString::asprintf("%%%02X", uchar(byte));
        } else {
            out += c;
        }
    }
    return out;
}

QString decodeText(const QString &value)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value.toUtf8()));
}

} // namespace ExecQuoting
