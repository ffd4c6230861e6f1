// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerTriggerFile.h"

#include "AtomicFile.h"
#include "DataLock.h"
#include "Guid.h"
#include "IniFile.h"
#include "PowerPlatform.h"
#include "SharedStrings.h"
#include "UserReport.h"

#include <QFile>
#include <algorithm>

using Guid::guidToText;
using Guid::textToGuid;
using Program::sharedStrings;
using UserReport::reportToUser;

namespace PowerTriggerFile {

namespace {

const QString kSection = QStringLiteral("Ampora");
const QString kIdKey = QStringLiteral("ampctl_TriggerId");
const QString kPlanKey = QStringLiteral("ampctl_PwrPlanGuid");
const QString kEventKey = QStringLiteral("ampctl_TriggerEvent");
const QString kPercentKey = QStringLiteral("ampctl_TriggerPercent");
const QString kEnabledKey = QStringLiteral("ampctl_SchdEnabled");
const QString kEnabled = QStringLiteral("Enabled");
const QString kDisabled = QStringLiteral("Disabled");

QString numbered(const QString &key, qsizetype n)
{
    return key + QString::number(n);
}

std::optional<PowerTrigger> readEntry(const IniFile &ini, qsizetype n, const PowerPlatform &platform)
{
    const std::optional<QUuid> id = textToGuid(ini.value(kSection, numbered(kIdKey, n)));
    const std::optional<QUuid> plan = textToGuid(ini.value(kSection, numbered(kPlanKey, n)));
    const std::optional<PowerTrigger::Event> event
        = PowerTrigger::eventNamed(ini.value(kSection, numbered(kEventKey, n)));
    if (!id || !plan || !event)
        return std::nullopt;
    PowerTrigger trigger;
    trigger.id = *id;
    trigger.planGuid = *plan;
    trigger.event = *event;
    if (*event == PowerTrigger::Event::BatteryBelow) {
        bool isNumber = false;
        trigger.threshold = ini.value(kSection, numbered(kPercentKey, n)).toInt(&isNumber);
        if (!isNumber || !PowerTrigger::isThreshold(trigger.threshold))
            return std::nullopt;
    }
    trigger.enabled = ini.value(kSection, numbered(kEnabledKey, n)) == kEnabled;
    const Result<QString> planName = platform.friendlyName(trigger.planGuid);
    trigger.planGone = planName.failedWith(Failure::Kind::NotFound);
    trigger.planName = planName.valueOr({});
    return trigger;
}

struct Scan
{
    IniFile ini;
    QList<PowerTrigger> triggers;
    bool clean = true; // everything in the file was read: a rewrite loses nothing
};

Scan scan(const PowerPlatform &platform)
{
    Scan result { IniFile::load(path()), {}, true };
    qsizetype n = 0;
    for (; !result.ini.value(kSection, numbered(kIdKey, n)).isEmpty(); ++n) {
        if (const std::optional<PowerTrigger> trigger = readEntry(result.ini, n, platform))
            result.triggers.append(*trigger);
    }
    result.clean = !result.ini.readFailed() && !result.ini.hasEncodingError() && result.ini.malformedLines().isEmpty()
        && result.triggers.size() == n && result.ini.keys(kSection).size() <= n * 5;
    return result;
}

Result<> writeWholeList(const QList<PowerTrigger> &triggers)
{
    if (triggers.isEmpty()) {
        if (QFile::exists(path()) && !QFile::remove(path()))
            return failed(QStringLiteral("the power schedule file %1 could not be removed").arg(path()));
        return {};
    }
    IniFile ini;
    for (qsizetype n = 0; n < triggers.size(); ++n) {
        const PowerTrigger &trigger = triggers.at(n);
        const bool set = ini.setValue(kSection, numbered(kIdKey, n), guidToText(trigger.id))
            && ini.setValue(kSection, numbered(kPlanKey, n), guidToText(trigger.planGuid))
            && ini.setValue(kSection, numbered(kEventKey, n), PowerTrigger::eventName(trigger.event))
            && (trigger.event != PowerTrigger::Event::BatteryBelow
                || ini.setValue(kSection, numbered(kPercentKey, n), QString::number(trigger.threshold)))
            && ini.setValue(kSection, numbered(kEnabledKey, n), trigger.enabled ? kEnabled : kDisabled);
        if (!set)
            return invalid(QStringLiteral("the power schedule %1 cannot be stored").arg(guidToText(trigger.id)));
    }
    return ini.save(path());
}

// Replaces the file with triggers; one that could not be read cleanly is kept aside first, and
// put back when the write fails.
Result<> replaceFile(const Scan &current, const QList<PowerTrigger> &triggers)
{
    if (current.clean || !current.ini.fileExists())
        return writeWholeList(triggers);
    const bool copy = !current.ini.readFailed();
    const Result<QString> keptAs = copy ? AtomicFile::copyAside(path()) : Result<QString>(AtomicFile::setAside(path()));
    if (!keptAs || keptAs->isEmpty()) {
        return failed(QStringLiteral("the power schedule file %1 cannot be read and could not be kept aside; "
                                     "nothing was changed")
                          .arg(path()));
    }
    if (const Result<> written = writeWholeList(triggers); !written) {
        if (copy)
            QFile::remove(*keptAs);
        else
            QFile::rename(*keptAs, path());
        return written;
    }
    reportToUser(QStringLiteral("ampora: the power schedule file %1 could not be read; it was kept as %2 and its "
                                "readable schedules were saved")
                     .arg(path(), *keptAs));
    return {};
}

qsizetype indexOf(const QList<PowerTrigger> &triggers, const QUuid &id)
{
    const auto found
        = std::find_if(triggers.cbegin(), triggers.cend(), [&id](const PowerTrigger &t) { return t.id == id; });
    return found == triggers.cend() ? -1 : found - triggers.cbegin();
}

Failure noSchedule(const QUuid &id)
{
    return notFound(QStringLiteral("no power schedule %1").arg(guidToText(id)));
}

} // namespace

QString path()
{
    return sharedStrings().dataFolder + QStringLiteral("/AmporaPowerTriggers.ini");
}

QList<PowerTrigger> read(const PowerPlatform &platform)
{
    return scan(platform).triggers;
}

Result<QUuid> save(const PowerPlatform &platform, const PowerPlan &plan, PowerTrigger::Event event, int threshold,
    const std::optional<QUuid> &replacing)
{
    if (event == PowerTrigger::Event::BatteryBelow && !PowerTrigger::isThreshold(threshold)) {
        return invalid(QStringLiteral("%1 is no battery level: use %2 to %3")
                           .arg(threshold)
                           .arg(PowerTrigger::kLowestThreshold)
                           .arg(PowerTrigger::kHighestThreshold));
    }
    if (event != PowerTrigger::Event::BatteryBelow)
        threshold = 0;
    return underDataLock([&]() -> Result<QUuid> {
        Scan current = scan(platform);
        QList<PowerTrigger> &triggers = current.triggers;
        qsizetype index = triggers.size();
        if (replacing) {
            index = indexOf(triggers, *replacing);
            if (index < 0)
                return noSchedule(*replacing);
        }
        for (qsizetype i = 0; i < triggers.size(); ++i) {
            if (i != index && triggers.at(i).event == event && triggers.at(i).threshold == threshold)
                return alreadyExists(QStringLiteral("a schedule is for that already"));
        }
        if (!replacing)
            triggers.append(PowerTrigger { QUuid::createUuid(), {}, {}, event, threshold, true, false });
        PowerTrigger &trigger = triggers[index];
        trigger.planGuid = plan.planGuid;
        trigger.planName = plan.planName;
        trigger.event = event;
        trigger.threshold = threshold;
        if (const Result<> written = replaceFile(current, triggers); !written)
            return written.failure();
        return trigger.id;
    });
}

Result<> setEnabled(const PowerPlatform &platform, const QUuid &id, bool enabled)
{
    return underDataLock([&]() -> Result<> {
        Scan current = scan(platform);
        const qsizetype index = indexOf(current.triggers, id);
        if (index < 0)
            return noSchedule(id);
        current.triggers[index].enabled = enabled;
        return replaceFile(current, current.triggers);
    });
}

Result<> remove(const PowerPlatform &platform, const QUuid &id)
{
    return underDataLock([&]() -> Result<> {
        Scan current = scan(platform);
        const qsizetype index = indexOf(current.triggers, id);
        if (index < 0)
            return noSchedule(id);
        current.triggers.removeAt(index);
        return replaceFile(current, current.triggers);
    });
}

} // namespace PowerTriggerFile
