#include "ApplyCommands.h"

#include "ApplierFactory.h"
#include "Guid.h"
#include "PlanFollower.h"
#include "PowerPlatform.h"
#include "PowerSettings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

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

int ApplyCommands::apply()
{
    QString failure;
    const std::optional<ApplyStatus> applied = applyNow(failure);
    if (!applied)
        return m_output.fail(AmpctlOutput::SystemError, u"cannot read the active power plan: "_s + failure);
    return finishApply(*applied);
}

int ApplyCommands::applyChanged()
{
    QString failure;
    if (const std::optional<ApplyStatus> applied = applyNow(failure))
        return finishApply(*applied);
    m_output.warn(u"the active plan could not be read again to apply it: "_s + failure);
    return AmpctlOutput::Success;
}

int ApplyCommands::finishApply(const ApplyStatus &status)
{
    // Unrecorded values would later be taken for the user's own and no longer follow the plan.
    if (!status.recordFailure.isEmpty()) {
        return m_output.fail(AmpctlOutput::SystemError,
            u"the plan is active, but what Ampora writes into the desktop's settings cannot be recorded, so it was "
            "not all written: "_s
                + status.recordFailure);
    }
    warnAboutProblems(status);
    return AmpctlOutput::Success;
}

int ApplyCommands::status()
{
    const Result<QUuid> active = m_platform.activeScheme();
    const Result<QString> name = active ? m_platform.friendlyName(*active) : Result<QString>(active.failure());
    if (!name)
        return m_output.fail(
            AmpctlOutput::SystemError, u"cannot read the active power plan: "_s + name.failure().message);
    std::optional<ApplyStatus> last = ApplyStatus::load();
    // A record of another plan says nothing about this one.
    if (last && last->plan != *active)
        last.reset();
    printStatus(*active, *name, m_backends().events->source(), last);
    return AmpctlOutput::Success;
}

std::optional<ApplyStatus> ApplyCommands::applyNow(QString &failure)
{
    if (const Result<QUuid> active = m_platform.activeScheme(); !active) {
        failure = active.failure().message;
        return std::nullopt;
    }
    ApplyBackends &backends = m_backends();
    const std::optional<ApplyStatus> applied
        = applyActivePlan(m_platform, *backends.coordinator, backends.events->source(), ApplyReason::Activation);
    backends.coordinator->release();
    if (!applied)
        failure = u"the plan store gave no active plan"_s;
    return applied;
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
