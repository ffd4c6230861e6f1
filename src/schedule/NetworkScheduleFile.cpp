#include "NetworkScheduleFile.h"

#include "AtomicFile.h"
#include "Guid.h"
#include "IniFile.h"
#include "PlanCatalogue.h"
#include "PowerPlatform.h"
#include "SharedStrings.h"

#include <QFile>

#include <algorithm>
#include <optional>

namespace {

const QString kSection = QStringLiteral("Ampora");
const QString kNetworkGuidKey = QStringLiteral("ampctl_NetworkGuid");
const QString kPlanGuidKey = QStringLiteral("ampctl_PwrPlanGuid");
const QString kNetworkNameKey = QStringLiteral("ampctl_NetworkName");
const QString kEnabledKey = QStringLiteral("ampctl_SchdEnabled");
const QString kEnabled = QStringLiteral("Enabled");
const QString kDisabled = QStringLiteral("Disabled");
const QString kEscapePrefix = QStringLiteral("%utf8:");

QString numbered(const QString &key, qsizetype n)
{
    return key + QString::number(n);
}

// Characters that the escaped form always percent-encodes.
bool mustEncode(QChar c)
{
    return c == u'%' || c.isSpace() || c.category() == QChar::Other_Control;
}

// Line and paragraph separators count as spaces; control characters include line breaks and NUL.
bool needsEscaping(const QString &name)
{
    if (name.startsWith(kEscapePrefix))
        return true;
    if (!name.isEmpty() && (name.front().isSpace() || name.back().isSpace()))
        return true;
    return std::any_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
               || c.category() == QChar::Separator_Paragraph;
    });
}

QString encodeName(const QString &name)
{
    if (!needsEscaping(name))
        return name;
    QString out = kEscapePrefix;
    for (const QChar c : name) {
        if (!mustEncode(c)) {
            out += c;
            continue;
        }
        const QByteArray bytes = QString(c).toUtf8();
        for (const char byte : bytes)
            out += u'%' + QString::number(static_cast<uchar>(byte), 16).toUpper().rightJustified(2, u'0');
    }
    return out;
}

QString decodeName(const QString &value)
{
    if (!value.startsWith(kEscapePrefix))
        return value;
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value.mid(kEscapePrefix.size()).toUtf8()));
}

bool isClean(const IniFile &ini)
{
    return !ini.readFailed() && !ini.hasEncodingError() && ini.malformedLines().isEmpty();
}

// Loads the file; one that cannot be read cleanly is moved aside so that nothing overwrites it.
// *replaceable tells whether the file may now be written.
IniFile loadOrSetAside(const QString &path, bool *replaceable)
{
    IniFile ini = IniFile::load(path);
    *replaceable = isClean(ini) || !AtomicFile::setAside(path).isEmpty();
    return ini;
}

bool setEntry(IniFile &ini, qsizetype n, const NetworkSchedule &record)
{
    return ini.setValue(kSection, numbered(kNetworkGuidKey, n), guidToText(record.networkGuid))
           && ini.setValue(kSection, numbered(kPlanGuidKey, n), guidToText(record.planGuid))
           && ini.setValue(kSection, numbered(kNetworkNameKey, n), encodeName(record.networkName))
           && ini.setValue(kSection, numbered(kEnabledKey, n), record.enabled ? kEnabled : kDisabled);
}

std::optional<NetworkSchedule> readEntry(const IniFile &ini, qsizetype n, const PowerPlatform &platform)
{
    const std::optional<QUuid> networkGuid = textToGuid(ini.value(kSection, numbered(kNetworkGuidKey, n)));
    const std::optional<QUuid> planGuid = textToGuid(ini.value(kSection, numbered(kPlanGuidKey, n)));
    if (!networkGuid || !planGuid)
        return std::nullopt;
    NetworkSchedule record;
    record.networkGuid = *networkGuid;
    record.planGuid = *planGuid;
    record.networkName = decodeName(ini.value(kSection, numbered(kNetworkNameKey, n)));
    // Only a plan that is known to be gone drops its schedule; a failing store keeps it.
    const Result<QString> planName = platform.friendlyName(record.planGuid);
    if (planName.failedWith(Failure::Kind::NotFound))
        return std::nullopt;
    record.planName = planName.valueOr({});
    record.enabled = ini.value(kSection, numbered(kEnabledKey, n)) == kEnabled;
    return record;
}

// An in-place edit of entry `index` is safe only when the file already holds every entry before
// it (and the entry itself when it is not new); otherwise the edit would leave a gap that the
// next read stops at.
bool holdsEntriesUpTo(const IniFile &ini, qsizetype last)
{
    for (qsizetype n = 0; n <= last; ++n) {
        if (!ini.contains(kSection, numbered(kNetworkGuidKey, n)))
            return false;
    }
    return true;
}

enum class Change { WholeEntry, EnabledKey };

// Writes one entry's keys into the file and keeps the rest of it; falls back to writing the
// whole list when the file is unreadable or does not match the list.
bool storeEntry(const QList<NetworkSchedule> &schedules, qsizetype index, Change change)
{
    const QString &path = sharedStrings().networkFile;
    IniFile ini = IniFile::load(path);
    const qsizetype mustHold = change == Change::EnabledKey ? index : index - 1;
    if (!isClean(ini) || !holdsEntriesUpTo(ini, mustHold))
        return writeNetworkSchedules(schedules);
    const NetworkSchedule &record = schedules.at(index);
    const bool set = change == Change::EnabledKey
                         ? ini.setValue(kSection, numbered(kEnabledKey, index), record.enabled ? kEnabled : kDisabled)
                         : setEntry(ini, index, record);
    return set && ini.save(path);
}

} // namespace

QList<NetworkSchedule> readNetworkSchedules(const PowerPlatform &platform)
{
    bool replaceable = false;
    const IniFile ini = loadOrSetAside(sharedStrings().networkFile, &replaceable);
    QList<NetworkSchedule> schedules;
    for (qsizetype n = 0; !ini.value(kSection, numbered(kNetworkGuidKey, n)).isEmpty(); ++n) {
        if (const std::optional<NetworkSchedule> record = readEntry(ini, n, platform))
            schedules.append(*record);
    }
    // Renumbers the file to match the list; dropped and unreachable entries go with it.
    if (replaceable)
        writeNetworkSchedules(schedules);
    return schedules;
}

bool writeNetworkSchedules(const QList<NetworkSchedule> &schedules)
{
    const QString &path = sharedStrings().networkFile;
    bool replaceable = false;
    loadOrSetAside(path, &replaceable);
    if (!replaceable)
        return false;
    if (schedules.isEmpty())
        return !QFile::exists(path) || QFile::remove(path);
    IniFile ini;
    for (qsizetype n = 0; n < schedules.size(); ++n) {
        if (!setEntry(ini, n, schedules.at(n)))
            return false;
    }
    return ini.save(path).ok();
}

NetworkSaveResult saveNetworkSchedule(QList<NetworkSchedule> &schedules, const NetworkList::Network &network,
                                      const PowerPlan &plan, qsizetype editIndex)
{
    if (editIndex < -1 || editIndex >= schedules.size())
        return NetworkSaveResult::Failed;
    for (qsizetype i = 0; i < schedules.size(); ++i) {
        if (i != editIndex && schedules.at(i).networkGuid == network.guid)
            return NetworkSaveResult::Duplicate;
    }
    QList<NetworkSchedule> updated = schedules;
    qsizetype index = editIndex;
    if (editIndex == -1) {
        index = updated.size();
        updated.append(NetworkSchedule{plan.planName, network.name, plan.planGuid, network.guid, true});
    } else {
        updated[index].networkGuid = network.guid;
        updated[index].networkName = network.name;
    }
    if (!storeEntry(updated, index, Change::WholeEntry))
        return NetworkSaveResult::Failed;
    schedules = updated;
    return NetworkSaveResult::Saved;
}

bool setNetworkScheduleEnabled(QList<NetworkSchedule> &schedules, qsizetype index, bool enabled)
{
    if (index < 0 || index >= schedules.size())
        return false;
    QList<NetworkSchedule> updated = schedules;
    updated[index].enabled = enabled;
    if (!storeEntry(updated, index, Change::EnabledKey))
        return false;
    schedules = updated;
    return true;
}

bool removeNetworkSchedule(QList<NetworkSchedule> &schedules, qsizetype index)
{
    if (index < 0 || index >= schedules.size())
        return false;
    QList<NetworkSchedule> updated = schedules;
    updated.removeAt(index);
    if (!writeNetworkSchedules(updated))
        return false;
    schedules = updated;
    return true;
}
