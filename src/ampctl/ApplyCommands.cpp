// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplyCommands.h"

#include "ApplierFactory.h"
#include "Guid.h"
#include "PlanFollower.h"
#include "PowerPlatform.h"
#include "PowerSettings.h"
#include "UDisksDiskApplier.h"

#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

using DiskReports::driveReportText;

using Applying::applyActivePlan;
using ApplySetting::settingRow;
using Guid::guidToText;
using Outcomes::outcomeName;
using Outcomes::outcomeText;
using StatusFile::powerSourceName;

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kNotApplied = u"The active plan has not been applied on this machine yet; run ampctl apply."_s;

QString sourceText(PowerSource source)
{
    return source == PowerSource::Ac ? u"AC"_s : u"battery"_s;
}

// With the offset, so a script reads the same moment in any zone.
QJsonValue timeJson(const QDateTime &time)
{
    if (!time.isValid())
        return QJsonValue();
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

ApplyCommands::ApplyCommands(const PowerPlatform &platform, Backends backends, AmpctlOutput &output)
    : m_platform(platform)
    , m_backends(std::move(backends))
    , m_output(output)
{
}

ExitCode ApplyCommands::apply()
{
    const Result<ApplyStatus> applied = applyNow();
    if (!applied)
        return m_output.fail(
            ExitCode::SystemError, u"cannot read the active power plan: "_s + applied.failure().message);
    return finishApply(*applied);
}

ExitCode ApplyCommands::applyToDisks()
{
    const Result<ApplyStatus> applied = applyNow();
    if (!applied)
        return m_output.fail(
            ExitCode::SystemError, u"cannot read the active power plan: "_s + applied.failure().message);
    if (const ExitCode code = finishApply(*applied); code != ExitCode::Success)
        return code;

    ApplyRequest request { PlanValues::read(m_platform, applied->plan), applied->source, ApplyReason::Activation };
    UDisksDiskApplier disks(QDBusConnection::systemBus());
    const SettingReport report = disks.apply(request, { Setting::DiskOff }).value(0);
    recordDiskReport(*applied, report);
    const QList<DriveReport> drives = disks.driveReports();
    if (m_output.json()) {
        QJsonArray list;
        for (const DriveReport &drive : drives) {
            list.append(QJsonObject { { u"drive"_s, drive.drive }, { u"outcome"_s, outcomeName(drive.outcome) },
                { u"detail"_s, drive.detail } });
        }
        m_output.print(QJsonObject {
            { u"outcome"_s, outcomeName(report.outcome) }, { u"detail"_s, report.detail }, { u"drives"_s, list } });
    } else {
        for (const DriveReport &drive : drives)
            m_output.out() << driveReportText(drive) << u'\n';
    }
    switch (report.outcome) {
    case Outcome::Applied:
    case Outcome::Approximated:
        return ExitCode::Success;
    case Outcome::NotOnThisMachine:
        return m_output.fail(ExitCode::NotOffered, u"the disks' spin-down time cannot be set: "_s + report.detail);
    default:
        return m_output.fail(ExitCode::SystemError,
            u"the disks' spin-down time was not set on every drive: "_s + outcomeText(report.outcome).toLower()
                + u": "_s + report.detail);
    }
}

void ApplyCommands::recordDiskReport(ApplyStatus status, const SettingReport &report)
{
    for (SettingReport &kept : status.reports) {
        if (kept.setting == Setting::DiskOff)
            kept = report;
    }
    if (const Result<> saved = status.save(); !saved)
        m_output.warn(u"what became of the disks cannot be recorded for ampctl status: "_s + saved.failure().message);
}

ExitCode ApplyCommands::applyChanged()
{
    const Result<ApplyStatus> applied = applyNow();
    if (applied)
        return finishApply(*applied);
    m_output.warn(u"the active plan could not be read again to apply it: "_s + applied.failure().message);
    return ExitCode::Success;
}

ExitCode ApplyCommands::finishApply(const ApplyStatus &status)
{
    // Unrecorded values would later be taken for the user's own and no longer follow the plan.
    if (!status.recordFailure.isEmpty()) {
        return m_output.fail(ExitCode::SystemError,
            u"the plan is active, but what Ampora writes into the desktop's settings cannot be recorded, so it was "
            "not all written: "_s
                + status.recordFailure);
    }
    warnAboutProblems(status);
    return ExitCode::Success;
}

ExitCode ApplyCommands::status()
{
    const Result<QUuid> active = m_platform.activeScheme();
    const Result<QString> name = active ? m_platform.friendlyName(*active) : Result<QString>(active.failure());
    if (!name)
        return m_output.fail(ExitCode::SystemError, u"cannot read the active power plan: "_s + name.failure().message);
    std::optional<ApplyStatus> last = ApplyStatus::load();
    // A record of another plan says nothing about this one.
    if (last && last->plan != *active)
        last.reset();
    printStatus(*active, *name, m_backends().events->source(), last);
    return ExitCode::Success;
}

Result<ApplyStatus> ApplyCommands::applyNow()
{
    if (const Result<QUuid> active = m_platform.activeScheme(); !active)
        return active.failure();
    ApplyBackends &backends = m_backends();
    std::optional<ApplyStatus> applied
        = applyActivePlan(m_platform, *backends.coordinator, backends.events->source(), ApplyReason::Activation);
    backends.coordinator->release();
    if (!applied)
        return failed(u"the plan store gave no active plan"_s);
    return std::move(*applied);
}

void ApplyCommands::warnAboutProblems(const ApplyStatus &status)
{
    const auto count = std::count_if(status.reports.cbegin(), status.reports.cend(),
        [](const SettingReport &report) { return report.outcome == Outcome::Failed; });
    if (count == 0)
        return;
    m_output.warn(count == 1 ? u"1 setting could not be applied; see ampctl status"_s
                             : u"%1 settings could not be applied; see ampctl status"_s.arg(count));
}

void ApplyCommands::printStatus(
    const QUuid &plan, const QString &name, PowerSource source, const std::optional<ApplyStatus> &last)
{
    const QList<SettingReport> reports = last ? last->reports : QList<SettingReport>();
    if (m_output.json()) {
        QJsonArray settings;
        for (const SettingReport &report : reports) {
            settings.append(QJsonObject { { u"setting"_s, settingRow(report.setting).name.toString() },
                { u"outcome"_s, outcomeName(report.outcome) }, { u"text"_s, outcomeText(report.outcome) },
                { u"detail"_s, report.detail } });
        }
        const QJsonValue applied = last
            ? QJsonObject { { u"time"_s, timeJson(last->time) }, { u"source"_s, powerSourceName(last->source) },
                  { u"appliers"_s, QJsonArray::fromStringList(last->appliers) } }
            : QJsonValue();
        m_output.print(
            QJsonObject { { u"plan"_s, QJsonObject { { u"name"_s, name }, { u"guid"_s, guidToText(plan) } } },
                { u"source"_s, powerSourceName(source) }, { u"applied"_s, applied }, { u"settings"_s, settings } });
        return;
    }

    QList<QStringList> heading { { u"Plan:"_s, name }, { u"GUID:"_s, guidToText(plan) },
        { u"Power source:"_s, sourceText(source) } };
    if (last) {
        const QString when = last->time.isValid() ? last->time.toString(u"yyyy-MM-dd HH:mm:ss"_s) : u"unknown"_s;
        heading.append({ u"Applied:"_s, u"%1, on %2"_s.arg(when, sourceText(last->source)) });
        heading.append({ u"Appliers:"_s, last->appliers.isEmpty() ? u"none"_s : last->appliers.join(u", "_s) });
    }
    m_output.printTable(heading);
    m_output.out() << u'\n';
    if (!last) {
        m_output.out() << kNotApplied << u'\n';
        return;
    }
    QList<QStringList> rows { { u"SETTING"_s, u"OUTCOME"_s, u"DETAIL"_s } };
    for (const SettingReport &report : reports)
        rows.append({ settingRow(report.setting).name.toString(), outcomeText(report.outcome), report.detail });
    m_output.printTable(rows);
}
