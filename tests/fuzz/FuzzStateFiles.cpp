// SPDX-License-Identifier: GPL-3.0-or-later
// The files read on top of the INI reader, each given the input as its whole content: the plan
// store, the ledger of values written to the desktop and the last apply's status. None may crash
// or lose what it could not read: a damaged plan store is set aside byte for byte, a clean one is
// never rewritten by reading, and what is written reads back the same.
#include "AppliedLedger.h"
#include "ApplyStatus.h"
#include "AtomicFile.h"
#include "FuzzCheck.h"
#include "PowerSettings.h"
#include "RegularFile.h"
#include "SchemeStore.h"
#include "SharedStrings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using PowerSettings::powerSettingRows;
using Program::sharedStrings;

namespace {

QString folderFor(const char *name)
{
    // In memory where there is a tmpfs: every change of a store syncs its file to disk.
    static QTemporaryDir root(
        QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/ampora-fuzz-XXXXXX"_s : QDir::tempPath() + u"/ampora-fuzz-XXXXXX"_s);
    fuzzCheck(root.isValid(), "no temporary folder");
    QDir folder(root.filePath(QString::fromLatin1(name)));
    folder.removeRecursively();
    fuzzCheck(QDir().mkpath(folder.path()), "cannot make a folder");
    return folder.path();
}

QByteArray contentOf(const QString &path)
{
    return RegularFile::read(path).valueOr({});
}

void checkSchemeStore(const QByteArray &bytes)
{
    const QString folder = folderFor("plans");
    const QString path = folder + u"/schemes.ini"_s;
    fuzzCheck(AtomicFile::write(path, bytes).ok(), "cannot write an input file");
    QList<QUuid> schemes;
    {
        SchemeStore store(path);
        const Result<QList<QUuid>> read = store.schemes();
        fuzzCheck(bool(read), "a plan store that can be set aside was not usable");
        schemes = *read;
        const Result<QUuid> active = store.activeScheme();
        fuzzCheck(active && schemes.contains(*active), "the active plan is not one of the plans");
        // A plan listed is never NotFound, whatever its keys hold.
        for (const QUuid &scheme : schemes) {
            fuzzCheck(!store.friendlyName(scheme).failedWith(Failure::Kind::NotFound), "a listed plan is not found");
            static_cast<void>(store.description(scheme));
            for (const PowerSettingRow &row : powerSettingRows())
                static_cast<void>(store.valueIndex(PowerSource::Dc, scheme, row.subgroup, row.setting));
        }
    }
    const QStringList kept = QDir(folder).entryList({ u"schemes.ini.corrupt-*"_s }, QDir::Files);
    fuzzCheck(kept.size() <= 1, "a damaged store was set aside more than once");
    if (kept.isEmpty())
        fuzzCheck(contentOf(path) == bytes, "reading a clean store rewrote it");
    else
        fuzzCheck(contentOf(folder + u'/' + kept.constFirst()) == bytes, "a damaged store was not kept as it was");

    // The repaired file reads clean, with the same plans, and takes changes.
    SchemeStore again(path);
    fuzzCheck(again.schemes().valueOr({}) == schemes, "the repaired store lists other plans");
    fuzzCheck(bool(again.writeDescription(schemes.constFirst(), u"checked"_s)), "the store refused a change");
    fuzzCheck(QDir(folder).entryList({ u"schemes.ini.corrupt-*"_s }, QDir::Files) == kept,
        "a repaired store was set aside again");
}

const QString kWritten = u"Written"_s;
const QString kIdleDelay = u"org.gnome.desktop.session/idle-delay"_s;

void checkLedger(const QByteArray &bytes)
{
    const QString path = folderFor("ledger") + u"/applied.ini"_s;
    fuzzCheck(AtomicFile::write(path, bytes).ok(), "cannot write an input file");
    const IniFile ini = IniFile::fromBytes(bytes);
    // The ledger writes under the user's data lock, which lives in the data folder.
    static const bool dataFolderSet = [] {
        sharedStrings().dataFolder = folderFor("data");
        return true;
    }();
    Q_UNUSED(dataFolderSet);
    AppliedLedger ledger(path);
    // A ledger that cannot be read knows nothing, and must say so for every key.
    for (const QString &key : ini.keys(kWritten)) {
        const QString value = ini.value(kWritten, key);
        if (!ledger.readError().isEmpty()) {
            fuzzCheck(ledger.verdict(key, value) == AppliedLedger::Verdict::Unknown, "an unreadable ledger decided");
            continue;
        }
        fuzzCheck(ledger.written(key) == value, "the ledger read another value than the file holds");
        fuzzCheck(
            ledger.verdict(key, value) == AppliedLedger::Verdict::Follow, "the ledger does not follow its own value");
    }
    ledger.remember(kIdleDelay, u"300"_s);
    if (!ledger.flush())
        return;
    const IniFile written = IniFile::load(path);
    fuzzCheck(written.value(kWritten, kIdleDelay) == u"300", "the ledger lost what it flushed");
    if (ini.hasEncodingError())
        return;
    for (const QString &key : ini.keys(kWritten)) {
        if (key.compare(kIdleDelay, Qt::CaseInsensitive) != 0)
            fuzzCheck(
                written.value(kWritten, key) == ini.value(kWritten, key), "the ledger lost another key on flushing");
    }
}

void checkStatus(const QByteArray &bytes)
{
    const QString folder = folderFor("status");
    fuzzCheck(AtomicFile::write(folder + u"/status.ini"_s, bytes).ok(), "cannot write an input file");
    const std::optional<ApplyStatus> first = ApplyStatus::load(folder + u"/status.ini"_s);
    if (!first)
        return;
    fuzzCheck(bool(first->save(folder + u"/second.ini"_s)), "a status could not be saved");
    const std::optional<ApplyStatus> second = ApplyStatus::load(folder + u"/second.ini"_s);
    fuzzCheck(second.has_value(), "a saved status cannot be read");
    // Texts with a NUL (which no applier gives) cannot be written and are left out.
    fuzzCheck(second->plan == first->plan && second->source == first->source
            && (second->appliers == first->appliers || !IniFile::isSafeValue(first->appliers.join(u", "_s)))
            && second->reports.size() == first->reports.size(),
        "a saved status read back differently");
    for (qsizetype i = 0; i < first->reports.size(); ++i) {
        const SettingReport &before = first->reports.at(i);
        const SettingReport &after = second->reports.at(i);
        fuzzCheck(after.setting == before.setting && after.outcome == before.outcome
                && (after.detail == before.detail || !IniFile::isSafeValue(before.detail)),
            "a setting's report read back differently");
    }
    if (!IniFile::isSafeValue(first->appliers.join(u", "_s)))
        return; // the first save left the key out, the second writes it empty
    fuzzCheck(bool(second->save(folder + u"/third.ini"_s)), "a status could not be saved again");
    fuzzCheck(contentOf(folder + u"/third.ini"_s) == contentOf(folder + u"/second.ini"_s),
        "a status changed when saved again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkSchemeStore(bytes);
    checkLedger(bytes);
    checkStatus(bytes);
    return 0;
}
