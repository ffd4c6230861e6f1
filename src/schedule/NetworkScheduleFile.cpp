// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkScheduleFile.h"

#include "AtomicFile.h"
#include "DataLock.h"
#include "Guid.h"
#include "IniFile.h"
#include "PlanCatalogue.h"
#include "PowerPlatform.h"
#include "SharedStrings.h"
#include "UserReport.h"

#include <QDebug>
#include <QFile>
#include <algorithm>
#include <optional>

using Guid::guidToText;
using Guid::textToGuid;
using Program::sharedStrings;
using UserReport::reportToUser;

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

// The file as read, and what of it stays.
struct Scan
{
    IniFile ini;
    QList<NetworkSchedule> schedules;
    // The file holds exactly the schedules, numbered 0.., and nothing is left out: an entry can
    // be edited or appended in place without a gap or a dropped entry coming back.
    bool editableInPlace = false;
};

// True when a numbered key of ours beyond the last read entry exists (the rest after a gap).
bool hasEntriesBeyond(const IniFile &ini, qsizetype count)
{
    const QStringList keys = ini.keys(kSection);
    return std::any_of(keys.cbegin(), keys.cend(), [count](const QString &key) {
        for (const QString &prefix : { kNetworkGuidKey, kPlanGuidKey, kNetworkNameKey, kEnabledKey }) {
            if (!key.startsWith(prefix, Qt::CaseInsensitive))
                continue;
            bool isNumber = false;
            const qsizetype n = key.mid(prefix.size()).toLongLong(&isNumber);
            if (isNumber && n >= count)
                return true;
        }
        return false;
    });
}

Scan scan(const PowerPlatform &platform)
{
    Scan result;
    result.ini = IniFile::load(sharedStrings().networkFile);
    qsizetype count = 0;
    for (; !result.ini.value(kSection, numbered(kNetworkGuidKey, count)).isEmpty(); ++count) {
        if (const std::optional<NetworkSchedule> record = readEntry(result.ini, count, platform))
            result.schedules.append(*record);
    }
    result.editableInPlace
        = isClean(result.ini) && result.schedules.size() == count && !hasEntriesBeyond(result.ini, count);
    return result;
}

// Puts schedules in place of the file, numbered from 0; an empty list leaves no file.
Result<> writeWholeList(const QString &path, const QList<NetworkSchedule> &schedules)
{
    if (schedules.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            return failed(QStringLiteral("the network schedule file %1 could not be removed").arg(path));
        return {};
    }
    IniFile ini;
    for (qsizetype n = 0; n < schedules.size(); ++n) {
        if (!setEntry(ini, n, schedules.at(n))) {
            return invalid(QStringLiteral("the schedule for network %1 cannot be stored")
                               .arg(guidToText(schedules.at(n).networkGuid)));
        }
    }
    return ini.save(path);
}

// Writes the whole list; a file that could not be read cleanly is kept aside. Readable content is
// copied aside before the file is replaced in one step, so a write that fails or is killed leaves
// the damaged file with its readable schedules where it was. Only something that could not be
// read at all (nothing of it was carried over) is moved, and moved back when the write fails.
Result<> replaceFile(const IniFile &current, const QList<NetworkSchedule> &schedules)
{
    const QString &path = sharedStrings().networkFile;
    if (isClean(current))
        return writeWholeList(path, schedules);
    const bool copy = !current.readFailed();
    const Result<QString> keptAs = copy ? AtomicFile::copyAside(path) : Result<QString>(AtomicFile::setAside(path));
    if (!keptAs || keptAs->isEmpty()) {
        return failed(QStringLiteral("the network schedule file %1 cannot be read and could not be kept aside (%2); "
                                     "nothing was changed")
                          .arg(path, keptAs ? QStringLiteral("it could not be moved") : keptAs.failure().message));
    }
    if (const Result<> written = writeWholeList(path, schedules); !written) {
        if (copy)
            QFile::remove(*keptAs);
        else
            QFile::rename(*keptAs, path);
        return written;
    }
    reportToUser(QStringLiteral("ampora: the network schedule file %1 could not be read; it was kept as %2 and "
                                "its readable schedules were saved")
                     .arg(path, *keptAs));
    return {};
}

// What a change writes when the file allows an edit in place.
enum class Keys { WholeEntry, EnabledKey, None };

// Writes schedules after a change to entry index: in place when the scan allows it and keys says
// what changed, otherwise the whole list.
Result<QList<NetworkSchedule>> store(Scan &current, const QList<NetworkSchedule> &schedules, qsizetype index, Keys keys)
{
    if (keys == Keys::None || !current.editableInPlace) {
        if (const Result<> replaced = replaceFile(current.ini, schedules); !replaced)
            return replaced.failure();
        return schedules;
    }
    const NetworkSchedule &record = schedules.at(index);
    const QString state = record.enabled ? kEnabled : kDisabled;
    const bool set = keys == Keys::EnabledKey ? current.ini.setValue(kSection, numbered(kEnabledKey, index), state).ok()
                                              : setEntry(current.ini, index, record);
    if (!set) {
        return invalid(
            QStringLiteral("the schedule for network %1 cannot be stored").arg(guidToText(record.networkGuid)));
    }
    if (const Result<> saved = current.ini.save(sharedStrings().networkFile); !saved)
        return saved.failure();
    return schedules;
}

qsizetype indexOf(const QList<NetworkSchedule> &schedules, const QUuid &network)
{
    const auto found = std::find_if(schedules.cbegin(), schedules.cend(),
        [&network](const NetworkSchedule &s) { return s.networkGuid == network; });
    return found == schedules.cend() ? -1 : found - schedules.cbegin();
}

Failure noSchedule(const QUuid &network)
{
    return notFound(QStringLiteral("no schedule is for network %1").arg(guidToText(network)));
}

} // namespace

QList<NetworkSchedule> readNetworkSchedules(const PowerPlatform &platform)
{
    return scan(platform).schedules;
}

Result<> writeNetworkSchedules(const QList<NetworkSchedule> &schedules)
{
    return underDataLock([&] { return replaceFile(IniFile::load(sharedStrings().networkFile), schedules); });
}

Result<QList<NetworkSchedule>> saveNetworkSchedule(const PowerPlatform &platform, const NetworkList::Network &network,
    const PowerPlan &plan, const std::optional<QUuid> &replacing)
{
    return underDataLock([&]() -> Result<QList<NetworkSchedule>> {
        Scan current = scan(platform);
        QList<NetworkSchedule> schedules = current.schedules;
        qsizetype index = schedules.size();
        if (replacing) {
            index = indexOf(schedules, *replacing);
            if (index < 0)
                return noSchedule(*replacing);
        }
        const qsizetype holder = indexOf(schedules, network.guid);
        if (holder >= 0 && holder != index)
            return alreadyExists(QStringLiteral("network \"%1\" has a schedule already").arg(network.name));
        if (replacing) {
            schedules[index].networkGuid = network.guid;
            schedules[index].networkName = network.name;
        } else {
            schedules.append(NetworkSchedule { plan.planName, network.name, plan.planGuid, network.guid, true });
        }
        return store(current, schedules, index, Keys::WholeEntry);
    });
}

Result<QList<NetworkSchedule>> setNetworkScheduleEnabled(
    const PowerPlatform &platform, const QUuid &network, bool enabled)
{
    return underDataLock([&]() -> Result<QList<NetworkSchedule>> {
        Scan current = scan(platform);
        QList<NetworkSchedule> schedules = current.schedules;
        const qsizetype index = indexOf(schedules, network);
        if (index < 0)
            return noSchedule(network);
        schedules[index].enabled = enabled;
        return store(current, schedules, index, Keys::EnabledKey);
    });
}

Result<QList<NetworkSchedule>> removeNetworkSchedule(const PowerPlatform &platform, const QUuid &network)
{
    return underDataLock([&]() -> Result<QList<NetworkSchedule>> {
        Scan current = scan(platform);
        QList<NetworkSchedule> schedules = current.schedules;
        const qsizetype index = indexOf(schedules, network);
        if (index < 0)
            return noSchedule(network);
        schedules.removeAt(index);
        return store(current, schedules, index, Keys::None);
    });
}
