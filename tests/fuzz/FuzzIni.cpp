// SPDX-License-Identifier: GPL-3.0-or-later
// The INI reader on any bytes: reading never fails hard, what it reads is written back so that it
// reads the same, and edits read back as made. Edits take their names and texts from the file's
// own values, so the fuzzer steers them too.
#include "FuzzCheck.h"
#include "IniFile.h"

namespace {

// Everything the accessors show: section by section, every key with its value.
void checkSameDocument(const IniFile &expected, const IniFile &actual)
{
    fuzzCheck(actual.sectionNames() == expected.sectionNames(), "sections read back differently");
    for (const QString &section : expected.sectionNames()) {
        const QStringList keys = expected.keys(section);
        fuzzCheck(actual.keys(section) == keys, "keys read back differently");
        for (const QString &key : keys)
            fuzzCheck(actual.value(section, key) == expected.value(section, key), "a value read back differently");
    }
}

QStringList valuesOf(const IniFile &ini)
{
    QStringList values;
    for (const QString &section : ini.sectionNames()) {
        for (const QString &key : ini.keys(section))
            values.append(ini.value(section, key));
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile ini = IniFile::fromBytes(bytes);
    if (ini.hasEncodingError())
        return 0; // such a file is set aside by its owners, never written back
    checkSameDocument(ini, IniFile::fromBytes(ini.toBytes()));
    fuzzCheck(IniFile::fromBytes(ini.toBytes()).malformedLines() == ini.malformedLines(),
        "lines that are no entry moved or changed on writing");

    // Edits named after the file's values: names with '=', ']', ';' or NUL are refused, the rest
    // must read back exactly, in memory and after writing.
    const QStringList values = valuesOf(ini).mid(0, 4);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString &text = values.at(i);
        const QString section = i % 2 == 0 ? text : ini.sectionNames().value(0, text);
        const QString value = text + QStringLiteral(" edited ");
        if (!ini.setValue(section, text, value))
            continue;
        fuzzCheck(ini.value(section, text) == value.trimmed(), "an edit did not read back");
        fuzzCheck(ini.contains(section, text) && ini.hasSection(section), "an edited key is missing");
    }
    if (!values.isEmpty() && ini.sectionNames().size() > 1)
        fuzzCheck(ini.removeSection(ini.sectionNames().constLast()).ok(), "a listed section could not be removed");
    if (!values.isEmpty() && !ini.sectionNames().isEmpty())
        (void)ini.removeKey(ini.sectionNames().constFirst(), values.constFirst()); // the key may not be there
    checkSameDocument(ini, IniFile::fromBytes(ini.toBytes()));
    return 0;
}
