// SPDX-License-Identifier: GPL-3.0-or-later
// Command lines as units and desktop entries store them: the words written are the words read,
// and free text survives its encoding. Words are the input split at 0xFF bytes (never part of
// UTF-8), so they may hold any character.
#include "ExecQuoting.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList words;
    if (!bytes.isEmpty()) {
        for (const QByteArray &piece : bytes.split('\xFF'))
            words.append(QString::fromUtf8(piece));
    }

    if (!words.isEmpty() && ExecQuoting::systemdCanStart(words.constFirst())) {
        const QString line = ExecQuoting::systemdExecLine(words);
        fuzzCheck(ExecQuoting::splitSystemdExecLine(line) == words, "an ExecStart= line read back other words");
        fuzzCheck(line == line.trimmed() && !line.endsWith(u'\\'), "an ExecStart= line would change in a unit file");
    }
    if (const std::optional<QString> line = ExecQuoting::desktopExecLine(words)) {
        fuzzCheck(ExecQuoting::splitDesktopExecLine(*line) == words, "an Exec= line read back other words");
        fuzzCheck(*line == line->trimmed(), "an Exec= line would change in a desktop entry");
    }
    // Lines from files: never a crash, and what is read is written back to the same words.
    const QString text = QString::fromUtf8(bytes);
    if (const std::optional<QStringList> read = ExecQuoting::splitSystemdExecLine(text);
        read && !read->isEmpty() && ExecQuoting::systemdCanStart(read->constFirst())) {
        fuzzCheck(ExecQuoting::splitSystemdExecLine(ExecQuoting::systemdExecLine(*read)) == *read,
            "words read from an ExecStart= line did not survive writing");
    }
    if (const std::optional<QStringList> read = ExecQuoting::splitDesktopExecLine(text)) {
        if (const std::optional<QString> line = ExecQuoting::desktopExecLine(*read))
            fuzzCheck(
                ExecQuoting::splitDesktopExecLine(*line) == *read, "words read from an Exec= line did not survive");
    }

    const QString encoded = ExecQuoting::encodeText(text);
    fuzzCheck(ExecQuoting::decodeText(encoded) == text, "free text did not survive its encoding");
    fuzzCheck(encoded == encoded.trimmed() && !encoded.contains(u'\n') && !encoded.contains(u'\\'),
        "encoded text would change in a file");
    fuzzCheck(ExecQuoting::joinArgumentWords(ExecQuoting::argumentWords(text)) == text, "arguments changed");
    return 0;
}
