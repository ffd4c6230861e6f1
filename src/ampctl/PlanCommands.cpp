// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanCommands.h"

#include "AtomicFile.h"
#include "CapabilityReader.h"
#include "DataLock.h"
#include "Guid.h"
#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "PlanEditing.h"
#include "PlanFile.h"
#include "PlanLookup.h"
#include "PlanSettings.h"
#include "PlanUsage.h"
#include "PowerTriggerFile.h"
#include "Profile.h"
#include "RegularFile.h"
#include "SettingText.h"
#include "TaskReader.h"
#include "TaskService.h"

#include <QFile>
#include <QJsonArray>
#include <QTextStream>

using Guid::guidToText;
using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using PlanEditing::activateAgainIfActive;
using PlanEditing::createPlan;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanName;
using PlanSettings::readPlanSettings;
using PlanSettings::writePlanSettings;
using PowerSettings::isSettingOffered;
using Profile::loadText;
using SettingText::parseValue;
using SettingText::settingName;
using SettingText::settingNamed;
using SettingText::settingNames;
using SettingText::valueForms;
using SettingText::valueText;

using namespace Qt::Literals::StringLiterals;

namespace {

QString sourceKey(PowerSource source)
{
    return source == PowerSource::Ac ? u"ac"_s : u"dc"_s;
}

// readPlanSettings lists a row's AC and DC values one after the other.
QList<QList<PlanSettingValue>> byRow(const QList<PlanSettingValue> &values)
{
    QList<QList<PlanSettingValue>> rows;
    for (const PlanSettingValue &value : values) {
        if (rows.isEmpty() || rows.last().first().row != value.row)
            rows.append(QList<PlanSettingValue>());
        rows.last().append(value);
    }
    return rows;
}

QString unknownSetting(const QString &setting)
{
    return u"unknown setting \"%1\"; use one of %2"_s.arg(setting, settingNames().join(u", "_s));
}

// A store refusing a text (a line break) is a bad command line, a name another plan has taken
// meanwhile a duplicate; a missing plan is NotFound.
ExitCode exitCodeFor(const Failure &failure)
{
    switch (failure.kind) {
    case Failure::Kind::Invalid:
        return ExitCode::UsageError;
    case Failure::Kind::NotFound:
        return ExitCode::NotFound;
    case Failure::Kind::AlreadyExists:
        return ExitCode::Duplicate;
    case Failure::Kind::ReadOnly:
        return ExitCode::ReadOnly;
    case Failure::Kind::Failed:
        break;
    }
    return ExitCode::SystemError;
}

} // namespace

PlanCommands::PlanCommands(const Services &services, AmpctlOutput &output, std::function<void()> applyActive)
    : m_services(services)
    , m_output(output)
    , m_applyActive(std::move(applyActive))
{
}

ExitCode PlanCommands::show(const QString &text)
{
    const std::optional<PowerPlan> plan = findPlan(text);
    if (!plan)
        return m_output.lastFailure();
    const PlanCapabilities capabilities = readCapabilities();
    const bool active = m_services.platform.activeScheme().valueOr(QUuid()) == plan->planGuid;
    QList<QJsonObject> settings;
    for (const QList<PlanSettingValue> &row :
        byRow(readPlanSettings(m_services.platform, plan->planGuid, capabilities)))
        settings.append(settingJson(plan->planGuid, row));

    const bool system = m_services.platform.isSystemScheme(plan->planGuid);
    if (m_output.json()) {
        QJsonArray array;
        for (const QJsonObject &setting : settings)
            array.append(setting);
        QJsonObject json { { u"guid"_s, guidToText(plan->planGuid) }, { u"name"_s, plan->planName },
            { u"description"_s, plan->planDescription }, { u"active"_s, active }, { u"settings"_s, array } };
        if (system)
            json.insert(u"system"_s, true);
        m_output.print(json);
    } else {
        QList<QStringList> header { { u"Name:"_s, plan->planName }, { u"GUID:"_s, guidToText(plan->planGuid) },
            { u"Description:"_s, plan->planDescription }, { u"Active:"_s, active ? u"yes"_s : u"no"_s } };
        if (system)
            header.append({ u"System-wide:"_s, u"yes: set by the administrator; copy it to change it"_s });
        m_output.printTable(header);
        m_output.out() << u'\n';
        printSettings(settings);
    }
    return succeed();
}

ExitCode PlanCommands::create(const QString &rawName, const std::optional<QString> &from)
{
    const QString name = planNameOf(rawName);
    const std::optional<PowerPlanList> loaded = loadPlans();
    if (!loaded)
        return m_output.lastFailure();
    const PowerPlanList &plans = *loaded;
    if (const std::optional<ExitCode> refused = refuseName(plans, name, {}))
        return *refused;
    QUuid source;
    if (from) {
        const std::optional<PowerPlan> plan = findPlan(plans, *from);
        if (!plan)
            return m_output.lastFailure();
        source = plan->planGuid;
    } else {
        const Result<QUuid> active = m_services.platform.activeScheme();
        if (!active)
            return m_output.fail(
                ExitCode::SystemError, u"cannot read the active power plan: "_s + active.failure().message);
        source = *active;
    }
    const Result<QUuid> created = createPlan(m_services.platform, source, name);
    if (!created)
        return failWrite(u"create the power plan \"%1\""_s.arg(name), created.failure());
    if (m_output.json())
        m_output.print(QJsonObject { { u"guid"_s, guidToText(*created) }, { u"name"_s, name } });
    else
        m_output.out() << guidToText(*created) << u'\n';
    return ExitCode::Success;
}

ExitCode PlanCommands::rename(const QString &text, const QString &rawName)
{
    const QString name = planNameOf(rawName);
    const std::optional<PowerPlanList> loaded = loadPlans();
    if (!loaded)
        return m_output.lastFailure();
    const PowerPlanList &plans = *loaded;
    const std::optional<PowerPlan> plan = findPlan(plans, text);
    if (!plan)
        return m_output.lastFailure();
    if (const std::optional<ExitCode> refused = refuseName(plans, name, plan->planGuid))
        return *refused;
    const Result<> renamed = m_services.platform.writeFriendlyName(plan->planGuid, name);
    if (!renamed)
        return failWrite(u"rename \"%1\" to \"%2\""_s.arg(plan->planName, name), renamed.failure());
    return ExitCode::Success;
}

ExitCode PlanCommands::describe(const QString &text, const QString &description)
{
    const std::optional<PowerPlan> plan = findPlan(text);
    if (!plan)
        return m_output.lastFailure();
    const Result<> written = m_services.platform.writeDescription(plan->planGuid, description);
    if (!written)
        return failWrite(u"describe \"%1\""_s.arg(plan->planName), written.failure());
    return ExitCode::Success;
}

ExitCode PlanCommands::remove(const QString &text)
{
    const std::optional<PowerPlan> plan = findPlan(text);
    if (!plan)
        return m_output.lastFailure();
    if (m_services.platform.isSystemScheme(plan->planGuid)) {
        return m_output.fail(
            ExitCode::ReadOnly, u"cannot delete \"%1\": the administrator set it for every user"_s.arg(plan->planName));
    }
    // Schedules are written under the data lock, and only for a plan that exists then: holding it
    // from the check to the delete, no schedule can take up the plan in between.
    const Result<DataLock> lock = DataLock::acquireForSeveral();
    if (!lock)
        return m_output.fail(
            ExitCode::SystemError, u"cannot delete \"%1\": %2"_s.arg(plan->planName, lock.failure().message));
    // readScheduledTasks gives an empty list when the service cannot answer: that must not pass
    // for "no schedule uses it", or a schedule would be left pointing at nothing.
    if (const Result<QList<RegisteredTask>> tasks = m_services.tasks.readTasks(); !tasks) {
        return m_output.fail(ExitCode::SystemError,
            u"cannot tell whether a schedule uses \"%1\": %2"_s.arg(plan->planName, tasks.failure().message));
    }
    const ScheduleUse use = scheduleUseOf(plan->planGuid, readScheduledTasks(m_services.tasks, m_services.platform),
        readNetworkSchedules(m_services.platform), PowerTriggerFile::read(m_services.platform));
    if (use != ScheduleUse::None) {
        return m_output.fail(ExitCode::InUse,
            u"a %1 schedule uses the power plan \"%2\"; remove the schedule first (see ampctl schedules)"_s.arg(
                use == ScheduleUse::Time        ? u"time-based"_s
                    : use == ScheduleUse::Power ? u"power-based"_s
                                                : u"network-based"_s,
                plan->planName));
    }
    const Result<QUuid> active = m_services.platform.activeScheme();
    if (!active)
        return m_output.fail(
            ExitCode::SystemError, u"cannot read the active power plan: "_s + active.failure().message);
    const QString isActive = u"\"%1\" is the active power plan; make another plan active first"_s.arg(plan->planName);
    if (*active == plan->planGuid)
        return m_output.fail(ExitCode::InUse, isActive);
    const Result<> deleted = m_services.platform.deleteScheme(plan->planGuid);
    if (deleted.failedWith(Failure::Kind::Invalid)) // made active meanwhile
        return m_output.fail(ExitCode::InUse, isActive);
    if (!deleted)
        return failWrite(u"delete \"%1\""_s.arg(plan->planName), deleted.failure());
    return ExitCode::Success;
}

ExitCode PlanCommands::get(const QString &text, const QString &setting)
{
    const PowerSettingRow *row = settingNamed(setting);
    if (!row)
        return m_output.fail(ExitCode::UsageError, unknownSetting(setting));
    const std::optional<PowerPlan> plan = findPlan(text);
    if (!plan)
        return m_output.lastFailure();
    const PlanCapabilities capabilities = readCapabilities();
    if (const std::optional<ExitCode> refused = refuseUnoffered(*row, capabilities, false))
        return *refused;
    QList<PlanSettingValue> values;
    for (const PlanSettingValue &value : readPlanSettings(m_services.platform, plan->planGuid, capabilities)) {
        if (value.row == row)
            values.append(value);
    }
    const QJsonObject json = settingJson(plan->planGuid, values);
    if (m_output.json()) {
        m_output.print(json);
    } else {
        QList<QStringList> lines;
        for (const PlanSettingValue &value : values)
            lines.append({ sourceKey(value.source).toUpper(), json[sourceKey(value.source)][u"text"_s].toString() });
        m_output.printTable(lines);
    }
    return succeed();
}

ExitCode PlanCommands::setValue(
    const QString &text, const QString &setting, const std::optional<QString> &ac, const std::optional<QString> &dc)
{
    const PowerSettingRow *row = settingNamed(setting);
    if (!row)
        return m_output.fail(ExitCode::UsageError, unknownSetting(setting));
    if (!ac && !dc)
        return m_output.fail(ExitCode::UsageError, u"set-value needs --ac VALUE, --dc VALUE or both"_s);
    QList<PlanSettingValue> values;
    for (const auto &[source, given] : { std::pair(PowerSource::Ac, ac), std::pair(PowerSource::Dc, dc) }) {
        if (!given)
            continue;
        const std::optional<ShownValue> shown = parseValue(row->kind, *given);
        if (!shown) {
            return m_output.fail(
                ExitCode::UsageError, u"bad value \"%1\" for %2: %3"_s.arg(*given, setting, valueForms(row->kind)));
        }
        values.append(PlanSettingValue { row, source, *shown });
        if (const std::optional<quint32> locked
            = m_services.platform.lockedValue(source, row->subgroup, row->setting)) {
            return m_output.fail(ExitCode::ReadOnly,
                u"the administrator locked %1 %2 at %3 for every plan"_s.arg(setting,
                    source == PowerSource::Ac ? u"(plugged in)"_s : u"(on battery)"_s, valueText(row->kind, *locked)));
        }
    }
    const std::optional<PowerPlan> plan = findPlan(text);
    if (!plan)
        return m_output.lastFailure();
    if (const std::optional<ExitCode> refused = refuseUnoffered(*row, readCapabilities(), dc.has_value()))
        return *refused;

    if (const Result<> written = writePlanSettings(m_services.platform, plan->planGuid, values); !written)
        return failWrite(u"write %1 of \"%2\""_s.arg(setting, plan->planName), written.failure());
    const bool active = m_services.platform.activeScheme().valueOr(QUuid()) == plan->planGuid;
    if (const Result<> applied = activateAgainIfActive(m_services.platform, plan->planGuid); !applied) {
        return m_output.fail(ExitCode::SystemError,
            u"%1 is written, but the active plan could not be applied again: %2"_s.arg(
                setting, applied.failure().message));
    }
    if (active)
        m_applyActive();
    return succeed();
}

ExitCode PlanCommands::exportPlan(const QString &text, const QString &file)
{
    const std::optional<PowerPlan> plan = findPlan(text);
    if (!plan)
        return m_output.lastFailure();
    const Result<PlanFile> read = PlanFile::fromPlatform(m_services.platform, plan->planGuid);
    if (!read)
        return failWrite(u"read \"%1\""_s.arg(plan->planName), read.failure());
    const QByteArray bytes = read->toBytes();
    if (file == u"-") {
        m_output.out() << QString::fromUtf8(bytes);
        return ExitCode::Success;
    }
    if (const Result<> written = AtomicFile::write(file, bytes); !written)
        return m_output.fail(ExitCode::SystemError, written.failure().message);
    return ExitCode::Success;
}

ExitCode PlanCommands::importPlan(const QString &file, const std::optional<QString> &name, bool keepGuid)
{
    Result<QByteArray> bytes = QByteArray();
    if (file == u"-") {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return m_output.fail(ExitCode::SystemError, u"cannot read standard input: "_s + in.errorString());
        bytes = in.read(PlanFile::kSizeLimit + 1);
    } else {
        bytes = RegularFile::read(file, PlanFile::kSizeLimit + 1);
    }
    if (!bytes)
        return m_output.fail(ExitCode::SystemError, bytes.failure().message);
    const PlanFile plan = PlanFile::parse(*bytes);
    const QString where = file == u"-" ? u"standard input"_s : file;
    if (!plan.problems().isEmpty()) {
        for (const QString &line : plan.problemLines(where))
            m_output.warn(line);
        return m_output.fail(ExitCode::BadFile, u"nothing was imported from %1"_s.arg(where));
    }
    const std::optional<PowerPlanList> plans = loadPlans();
    if (!plans)
        return m_output.lastFailure();
    const QString chosen = planNameOf(name.value_or(plan.name()));
    if (const std::optional<ExitCode> refused = refuseName(*plans, chosen, {}))
        return *refused;
    const Result<QUuid> added = plan.addTo(m_services.platform, chosen, keepGuid);
    if (!added)
        return failWrite(u"import \"%1\""_s.arg(chosen), added.failure());
    if (m_output.json())
        m_output.print(QJsonObject { { u"guid"_s, guidToText(*added) }, { u"name"_s, chosen } });
    else
        m_output.out() << guidToText(*added) << u'\n';
    return ExitCode::Success;
}

std::optional<PowerPlanList> PlanCommands::loadPlans()
{
    Result<PowerPlanList> plans = loadPowerPlans(m_services.platform);
    if (!plans) {
        m_output.fail(ExitCode::SystemError, u"cannot read the power plans: "_s + plans.failure().message);
        return std::nullopt;
    }
    return std::move(plans.value());
}

std::optional<PowerPlan> PlanCommands::findPlan(const QString &text)
{
    const std::optional<PowerPlanList> plans = loadPlans();
    return plans ? findPlan(*plans, text) : std::nullopt;
}

std::optional<PowerPlan> PlanCommands::findPlan(const PowerPlanList &plans, const QString &text)
{
    const Result<qsizetype> index = findPlanByText(plans, text);
    if (!index) {
        m_output.fail(ExitCode::NotFound, index.failure().message);
        return std::nullopt;
    }
    return plans.at(*index);
}

PlanCapabilities PlanCommands::readCapabilities()
{
    const Result<PlanCapabilities> capabilities = m_services.capabilities.read();
    if (capabilities)
        return *capabilities;
    m_capabilityProblem = capabilities.failure().message.simplified(); // its lines, as one

    return PlanCapabilities();
}

std::optional<ExitCode> PlanCommands::refuseUnoffered(
    const PowerSettingRow &row, const PlanCapabilities &capabilities, bool dc)
{
    // With unknown capabilities the refusal says why, in its one line.
    const QString unknown = m_capabilityProblem.isEmpty()
        ? QString()
        : u" (its power capabilities could not be read: %1)"_s.arg(m_capabilityProblem);
    if (!isSettingOffered(row, capabilities)) {
        return m_output.fail(
            ExitCode::NotOffered, u"this machine does not offer the setting %1%2"_s.arg(settingName(row), unknown));
    }
    if (dc && !capabilities.batteries) {
        return m_output.fail(ExitCode::NotOffered,
            u"this machine has no battery, so %1 has no --dc value%2"_s.arg(settingName(row), unknown));
    }
    return std::nullopt;
}

std::optional<ExitCode> PlanCommands::refuseName(const PowerPlanList &plans, const QString &name, const QUuid &except)
{
    if (const Result<> usable = refusePlanName(plans, name, except); !usable)
        return m_output.fail(exitCodeFor(usable.failure()), usable.failure().message);
    return std::nullopt;
}

ExitCode PlanCommands::failWrite(const QString &what, const Failure &failure)
{
    return m_output.fail(exitCodeFor(failure), u"cannot %1: %2"_s.arg(what, failure.message));
}

ExitCode PlanCommands::succeed()
{
    if (!m_capabilityProblem.isEmpty()) {
        m_output.warn(u"this machine's power capabilities could not be read (%1); settings that depend on "
                      u"them are left out, and so are on-battery values"_s.arg(m_capabilityProblem));
    }
    return ExitCode::Success;
}

QJsonObject PlanCommands::settingJson(const QUuid &plan, const QList<PlanSettingValue> &values)
{
    const PowerSettingRow &row = *values.first().row;
    QJsonObject json { { u"name"_s, settingName(row) }, { u"label"_s, loadText(row.labelKey.toString()) } };
    for (const PlanSettingValue &value : values) {
        // The raw value beside the text: "unset" alone cannot tell a missing value from -1.
        const Result<quint32> stored = m_services.platform.valueIndex(value.source, plan, row.subgroup, row.setting);
        QJsonObject shown { { u"text"_s, valueText(row.kind, stored ? std::optional(*stored) : std::nullopt) },
            { u"value"_s, stored ? QJsonValue(qint64(*stored)) : QJsonValue() } };
        if (m_services.platform.lockedValue(value.source, row.subgroup, row.setting))
            shown.insert(u"locked"_s, true);
        json.insert(sourceKey(value.source), shown);
    }
    return json;
}

void PlanCommands::printSettings(const QList<QJsonObject> &settings)
{
    const bool dc = !settings.isEmpty() && settings.first().contains(u"dc"_s);
    QList<QStringList> rows { dc ? QStringList { u"SETTING"_s, u"AC"_s, u"DC"_s, u"LABEL"_s }
                                 : QStringList { u"SETTING"_s, u"AC"_s, u"LABEL"_s } };
    for (const QJsonObject &setting : settings) {
        // A locked value says so beside it: no set-value can change it.
        const auto shown = [&](const QString &source) -> QString {
            const QJsonObject value = setting[source].toObject();
            return value[u"text"_s].toString() + (value[u"locked"_s].toBool() ? u" (locked)"_s : QString());
        };
        QStringList row { setting[u"name"_s].toString(), shown(u"ac"_s) };
        if (dc)
            row.append(shown(u"dc"_s));
        row.append(setting[u"label"_s].toString());
        rows.append(row);
    }
    m_output.printTable(rows);
}
