// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplyStatus.h"

#include "Guid.h"
#include "IniFile.h"
#include "PowerSettings.h"

#include <QDir>
#include <QStandardPaths>

using ApplySetting::allSettings;
using ApplySetting::settingRow;
using Guid::guidToText;
using Guid::textToGuid;
using Outcomes::outcomeFromName;
using Outcomes::outcomeName;
using StatusFile::amporaStateFolder;
using StatusFile::powerSourceName;

namespace {

const QString kStatus = QStringLiteral("Status");
const QString kSettings = QStringLiteral("Settings");
const QString kDetailSuffix = QStringLiteral(".detail");

QString settingKey(Setting setting)
{
    return settingRow(setting).name.toString();
}

} // namespace

namespace StatusFile {

QString powerSourceName(PowerSource source)
{
    return source == PowerSource::Ac ? QStringLiteral("ac") : QStringLiteral("battery");
}

QString amporaStateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/ampora");
}

} // namespace StatusFile

QString ApplyStatus::defaultPath()
{
    return amporaStateFolder() + QStringLiteral("/status.ini");
}

std::optional<ApplyStatus> ApplyStatus::load(const QString &path)
{
    const IniFile ini = IniFile::load(path.isEmpty() ? defaultPath() : path);
    const std::optional<QUuid> plan = textToGuid(ini.value(kStatus, QStringLiteral("Plan")));
    if (ini.readFailed() || !plan)
        return std::nullopt;
    ApplyStatus status;
    status.plan = *plan;
    status.source = ini.value(kStatus, QStringLiteral("Source")) == powerSourceName(PowerSource::Dc) ? PowerSource::Dc
                                                                                                     : PowerSource::Ac;
    status.time = QDateTime::fromString(ini.value(kStatus, QStringLiteral("Time")), Qt::ISODate);
    const QString appliers = ini.value(kStatus, QStringLiteral("Appliers"));
    status.appliers = appliers.isEmpty() ? QStringList() : appliers.split(QStringLiteral(", "));
    for (const Setting setting : allSettings()) {
        const std::optional<Outcome> outcome = outcomeFromName(ini.value(kSettings, settingKey(setting)));
        if (outcome)
            status.reports.append({ setting, *outcome, ini.value(kSettings, settingKey(setting) + kDetailSuffix) });
    }
    return status;
}

Result<> ApplyStatus::save(const QString &path) const
{
    IniFile ini;
    // The program's own names, a GUID, a time and outcome words: never refused. A detail that
    // cannot be stored even on one line (a NUL) is left out: the status is only for showing.
    (void)ini.setValue(kStatus, QStringLiteral("Plan"), guidToText(plan));
    (void)ini.setValue(kStatus, QStringLiteral("Source"), powerSourceName(source));
    (void)ini.setValue(kStatus, QStringLiteral("Time"), time.toString(Qt::ISODate));
    (void)ini.setValue(kStatus, QStringLiteral("Appliers"), appliers.join(QStringLiteral(", ")));
    for (const SettingReport &report : reports) {
        (void)ini.setValue(kSettings, settingKey(report.setting), outcomeName(report.outcome));
        if (!report.detail.isEmpty()
            && !ini.setValue(kSettings, settingKey(report.setting) + kDetailSuffix, report.detail))
            (void)ini.setValue(kSettings, settingKey(report.setting) + kDetailSuffix, report.detail.simplified());
    }
    // Only for showing, and written again by the next apply: not worth a wait for the disk on
    // every switch. Readers still see a whole file; one left empty by a crash reads as no status.
    return ini.save(path.isEmpty() ? defaultPath() : path, AtomicFile::Durability::ReplacedOnly);
}

std::optional<SettingReport> ApplyStatus::reportFor(Setting setting) const
{
    for (const SettingReport &report : reports) {
        if (report.setting == setting)
            return report;
    }
    return std::nullopt;
}
