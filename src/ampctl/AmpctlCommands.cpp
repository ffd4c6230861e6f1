// SPDX-License-Identifier: GPL-3.0-or-later
#include "AmpctlCommands.h"

#include "AmpctlCommandTable.h"
#include "BatteryPopup.h"
#include "BatteryStatusReader.h"
#include "DataLock.h"
#include "Guid.h"
#include "NetworkList.h"
#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "PlanLookup.h"
#include "PlanTaskWriter.h"
#include "PowerTriggerFile.h"
#include "Profile.h"
#include "ScheduleRuns.h"
#include "TaskReader.h"
#include "TaskService.h"

#include <QCommandLineParser>
#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

using Guid::guidToText;
using Guid::textToGuid;
using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using Profile::loadText;

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kDayNames
    = { u"sunday"_s, u"monday"_s, u"tuesday"_s, u"wednesday"_s, u"thursday"_s, u"friday"_s, u"saturday"_s };

std::optional<QDate> parseDate(const QString &text)
{
    static const QRegularExpression pattern(u"^\\d{4}-\\d{2}-\\d{2}$"_s);
    const QDate date = QDate::fromString(text, Qt::ISODate);
    return pattern.match(text).hasMatch() && date.isValid() ? std::optional(date) : std::nullopt;
}

std::optional<QTime> parseTime(const QString &text)
{
    static const QRegularExpression pattern(u"^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"_s);
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return time.isValid() ? std::optional(time) : std::nullopt;
}

// Ticked days, Sunday first, from "Mon,Fri" or "monday,friday"; an empty text ticks none.
std::optional<QList<bool>> parseDays(const QString &text)
{
    QList<bool> days(7, false);
    for (const QString &item : text.split(u',', Qt::SkipEmptyParts)) {
        const QString day = item.trimmed().toLower();
        const auto it = std::find_if(kDayNames.cbegin(), kDayNames.cend(),
            [&](const QString &name) { return day == name || day == name.left(3); });
        if (it == kDayNames.cend())
            return std::nullopt;
        days[it - kDayNames.cbegin()] = true;
    }
    return days;
}

QString statusText(bool enabled)
{
    return loadText(enabled ? u"IDS_ENABLED" : u"IDS_DISABLED");
}

QJsonValue isoOrNull(const std::optional<QDateTime> &at)
{
    return at ? QJsonValue(at->toOffsetFromUtc(at->offsetFromUtc()).toString(Qt::ISODate)) : QJsonValue();
}

QString runStateName(TimeSchedule::RunState state)
{
    switch (state) {
    case TimeSchedule::RunState::Completed:
        return u"completed"_s;
    case TimeSchedule::RunState::NeverRuns:
        return u"never-runs"_s;
    case TimeSchedule::RunState::Scheduled:
        break;
    }
    return u"scheduled"_s;
}

} // namespace

AmpctlCommands::AmpctlCommands(Context context, QTextStream &out, QTextStream &err)
    : m_services(context.services)
    , m_programPath(std::move(context.programPath))
    , m_networkSchedulesChanged(std::move(context.networkSchedulesChanged))
    , m_applyBackends(std::move(context.applyBackends))
    , m_output(out, err)
{
}

ExitCode AmpctlCommands::run(const QStringList &arguments)
{
    if (!arguments.isEmpty() && arguments.first() == u"--complete") {
        complete(arguments.mid(1));
        return Success;
    }
    QCommandLineParser parser;
    QStringList flags; // several forms share a flag; the parser takes each once
    parser.addOption(QCommandLineOption(u"json"_s));
    parser.addOption(QCommandLineOption(QStringList { u"h"_s, u"help"_s }));
    for (const AmpctlCommand &command : ampctlCommands()) {
        for (const AmpctlCommand::Form &form : command.forms) {
            for (const auto &[option, word] : form.valueOptions())
                parser.addOption(QCommandLineOption(option, QString(), word));
            for (const QString &flag : form.flagOptions()) {
                if (!flags.contains(flag)) {
                    flags.append(flag);
                    parser.addOption(QCommandLineOption(flag));
                }
            }
            if (!form.selector().isEmpty())
                parser.addOption(QCommandLineOption(form.selector()));
        }
    }
    if (!parser.parse(QStringList(u"ampctl"_s) + arguments))
        return fail(UsageError, parser.errorText());
    if (parser.isSet(u"help"_s)) {
        m_output.out() << ampctlHelpText();
        return Success;
    }
    m_output.setJson(parser.isSet(u"json"_s));
    AmpctlArguments given { parser.positionalArguments(), {}, {} };
    if (given.values.isEmpty())
        return fail(UsageError, u"no command given; see ampctl --help"_s);
    const QString name = given.values.takeFirst();
    for (const AmpctlCommand &command : ampctlCommands()) {
        for (const QString &option : command.options()) {
            if (parser.isSet(option) && name != command.name)
                return fail(UsageError, u"--%1 belongs to the %2 command"_s.arg(option, command.name));
            if (parser.isSet(option))
                given.options.insert(option, parser.value(option));
        }
    }
    const AmpctlCommand *command = findAmpctlCommand(name);
    if (!command)
        return fail(UsageError, u"unknown command \"%1\"; see ampctl --help"_s.arg(name));

    // A command of several forms takes exactly one of the options that choose them.
    // A form without one is the command's plain form, taken when no other is chosen.
    QList<const AmpctlCommand::Form *> chosen;
    QStringList selectors;
    const AmpctlCommand::Form *plain = nullptr;
    for (const AmpctlCommand::Form &form : command->forms) {
        if (form.selector().isEmpty()) {
            plain = &form;
            continue;
        }
        selectors.append(u"--"_s + form.selector());
        if (parser.isSet(form.selector()))
            chosen.append(&form);
    }
    if (chosen.isEmpty() && plain)
        chosen.append(plain);
    if (chosen.size() != 1) {
        const QString last = selectors.takeLast();
        return fail(UsageError, u"%1 takes one of %2 or %3"_s.arg(name, selectors.join(u", "_s), last));
    }
    if (given.values.size() != chosen.first()->arguments().size())
        return fail(UsageError, u"usage: ampctl "_s + chosen.first()->synopsis);
    given.form = chosen.first()->selector();
    return command->run(*this, given);
}

void AmpctlCommands::complete(const QStringList &words)
{
    const auto planNames = [this] {
        QStringList names;
        for (const PowerPlan &plan : loadPowerPlans(m_services.platform).valueOr({}))
            names.append(plan.planName);
        return names;
    };
    for (const QString &candidate : ampctlCompletions(words, planNames))
        m_output.out() << candidate << u'\n';
}

PlanCommands AmpctlCommands::plans()
{
    return PlanCommands(m_services, m_output, [this] { (void)applying().applyChanged(); });
}

ExitCode AmpctlCommands::list()
{
    const std::optional<PowerPlanList> plans = loadPlans();
    if (!plans)
        return m_output.lastFailure();
    const QUuid activeGuid = m_services.platform.activeScheme().valueOr(QUuid());
    QJsonArray json;
    QList<QStringList> rows;
    for (const PowerPlan &plan : *plans) {
        const bool isActive = plan.planGuid == activeGuid;
        QJsonObject entry { { u"guid"_s, guidToText(plan.planGuid) }, { u"name"_s, plan.planName },
            { u"description"_s, plan.planDescription }, { u"active"_s, isActive } };
        QStringList row { isActive ? u"*"_s : QString(), guidToText(plan.planGuid), plan.planName };
        if (m_services.platform.isSystemScheme(plan.planGuid)) {
            entry.insert(u"system"_s, true);
            row.append(u"(system-wide)"_s);
        }
        json.append(entry);
        rows.append(row);
    }
    m_output.printListing(json, rows);
    // A plan whose name or description cannot be read is left out of the list, but not unsaid.
    for (const QUuid &scheme : m_services.platform.schemes().valueOr({})) {
        if (PlanCatalogue::findPlan(*plans, scheme))
            continue;
        const Result<QString> name = m_services.platform.friendlyName(scheme);
        const Result<QString> description = m_services.platform.description(scheme);
        const Failure &why = name ? description.failure() : name.failure();
        if (!name.failedWith(Failure::Kind::NotFound) && !description.failedWith(Failure::Kind::NotFound))
            m_output.warn(u"the power plan %1 is not listed: %2"_s.arg(guidToText(scheme), why.message));
    }
    return Success;
}

ExitCode AmpctlCommands::active()
{
    const Result<QUuid> guid = m_services.platform.activeScheme();
    const Result<QString> name = guid ? m_services.platform.friendlyName(*guid) : Result<QString>(guid.failure());
    if (!name)
        return fail(SystemError, u"cannot read the active power plan: "_s + name.failure().message);
    if (m_output.json())
        m_output.print(QJsonObject { { u"guid"_s, guidToText(*guid) }, { u"name"_s, *name } });
    else
        m_output.out() << guidToText(*guid) << u"  "_s << AmpctlOutput::terminalSafe(*name) << u'\n';
    return Success;
}

ExitCode AmpctlCommands::set(const QString &plan)
{
    const std::optional<PowerPlanList> loaded = loadPlans();
    if (!loaded)
        return m_output.lastFailure();
    const PowerPlanList &plans = *loaded;
    const std::optional<qsizetype> index = findPlan(plans, plan);
    if (!index)
        return m_output.lastFailure();
    if (const Result<> activated = m_services.platform.setActiveScheme(plans.at(*index).planGuid); !activated) {
        return fail(activated.failedWith(Failure::Kind::ReadOnly) ? ReadOnly : SystemError,
            u"cannot make \"%1\" the active plan: %2"_s.arg(plans.at(*index).planName, activated.failure().message));
    }
    return applying().applyChanged();
}

ExitCode AmpctlCommands::schedules()
{
    QJsonArray json;
    QList<QStringList> rows { { u"NAME"_s, u"PLAN"_s, u"STATUS"_s, u"TYPE"_s, u"SCHEDULE"_s, u"NEXT RUN"_s,
        u"LAST RUN"_s } };
    QList<TimeSchedule> tasks = readTasks();
    ScheduleRuns::addRunTimes(tasks, m_services.tasks, QDateTime::currentDateTime());
    for (const TimeSchedule &task : std::as_const(tasks)) {
        // A damaged task says what is wrong instead of when it runs: it may still run.
        const bool damaged = !task.damage.isEmpty();
        const QString when = ScheduleRuns::whenText(task);
        const QString type = loadText(u"IDS_TIME_BASED");
        const QString status = ScheduleRuns::statusText(task);
        QJsonObject entry { { u"kind"_s, u"time"_s }, { u"name"_s, task.taskName }, { u"plan"_s, task.planName },
            { u"planGuid"_s, task.planGuid.isNull() ? QJsonValue() : QJsonValue(guidToText(task.planGuid)) },
            { u"enabled"_s, task.enabled }, { u"status"_s, status }, { u"type"_s, type }, { u"schedule"_s, when },
            { u"frequency"_s, task.frequencyText }, { u"start"_s, task.startText },
            { u"daysOfWeek"_s, task.daysOfWeek }, { u"state"_s, runStateName(task.runState) },
            { u"nextRun"_s, isoOrNull(task.nextRun) }, { u"lastRun"_s, isoOrNull(task.lastRun) },
            { u"lastResult"_s, task.lastResult.isEmpty() ? QJsonValue() : QJsonValue(task.lastResult) },
            { u"onlyOnMains"_s, task.definition && task.definition->settings.disallowStartIfOnBatteries },
            { u"wakes"_s, task.definition && task.definition->settings.wakeToRun } };
        if (task.firstRunDate.isValid())
            entry.insert(u"from"_s, task.firstRunDate.toString(Qt::ISODate));
        if (!task.neverReason.isEmpty())
            entry.insert(u"neverRuns"_s, task.neverReason);
        if (damaged)
            entry.insert(u"damaged"_s, task.damage);
        json.append(entry);
        rows.append({ task.taskName, task.planName, status, type, when, ScheduleRuns::nextRunText(task),
            ScheduleRuns::lastRunText(task) });
    }
    for (const NetworkSchedule &network : readNetworkSchedules(m_services.platform)) {
        const QString type = loadText(u"IDS_NETWORK_BASED");
        json.append(QJsonObject { { u"kind"_s, u"network"_s }, { u"name"_s, guidToText(network.networkGuid) },
            { u"plan"_s, network.planName }, { u"planGuid"_s, guidToText(network.planGuid) },
            { u"enabled"_s, network.enabled }, { u"status"_s, statusText(network.enabled) }, { u"type"_s, type },
            { u"schedule"_s, network.networkName }, { u"network"_s, network.networkName } });
        rows.append({ guidToText(network.networkGuid), network.planName, statusText(network.enabled), type,
            network.networkName, QString(), QString() });
    }
    for (const PowerTrigger &trigger : PowerTriggerFile::read(m_services.platform)) {
        const QString type = loadText(u"IDS_POWER_BASED");
        const QString status = trigger.planGone ? loadText(u"IDS_NEVER_RUNS") : statusText(trigger.enabled);
        QJsonObject entry { { u"kind"_s, u"power"_s }, { u"name"_s, guidToText(trigger.id) },
            { u"plan"_s, trigger.planName }, { u"planGuid"_s, guidToText(trigger.planGuid) },
            { u"enabled"_s, trigger.enabled }, { u"status"_s, status }, { u"type"_s, type },
            { u"schedule"_s, trigger.eventText() }, { u"event"_s, PowerTrigger::eventName(trigger.event) },
            { u"state"_s, trigger.planGone ? u"never-runs"_s : u"scheduled"_s } };
        if (trigger.event == PowerTrigger::Event::BatteryBelow)
            entry.insert(u"threshold"_s, trigger.threshold);
        if (trigger.planGone)
            entry.insert(u"neverRuns"_s, loadText(u"IDS_PLAN_GONE"));
        json.append(entry);
        rows.append(
            { guidToText(trigger.id), trigger.planName, status, type, trigger.eventText(), QString(), QString() });
    }
    m_output.printListing(json, rows);
    return Success;
}

ExitCode AmpctlCommands::networks()
{
    QJsonArray json;
    QList<QStringList> rows;
    for (const NetworkList::Network &network : m_services.networks.networks()) {
        json.append(QJsonObject { { u"name"_s, network.name }, { u"guid"_s, guidToText(network.guid) },
            { u"connected"_s, network.connected } });
        rows.append({ network.connected ? u"*"_s : QString(), guidToText(network.guid), network.name });
    }
    m_output.printListing(json, rows);
    return Success;
}

ExitCode AmpctlCommands::battery()
{
    const SystemPowerStatus status = m_services.battery.read();
    const QList<BatteryPopup::Line> lines = BatteryPopup::linesFor(status);
    if (!m_output.json()) {
        QList<QStringList> rows;
        for (const BatteryPopup::Line &line : lines)
            rows.append({ line.label + u':', line.value }); // printTable escapes control characters
        m_output.printTable(rows);
        return Success;
    }
    // Readings as numbers, null when unknown; the texts as the popup words them.
    const bool levelKnown = status.batteryFlag < SystemPowerStatus::FlagNoBattery && status.batteryLifePercent <= 100;
    const QString acLine = status.acLineStatus == 0 ? u"off"_s : status.acLineStatus == 1 ? u"on"_s : u"unknown"_s;
    m_output.print(QJsonObject {
        { u"status"_s, lines.at(0).value },
        { u"powerSource"_s, lines.at(1).value },
        { u"remaining"_s, lines.at(2).value },
        { u"timeLeft"_s, lines.size() > 3 ? QJsonValue(lines.at(3).value) : QJsonValue() },
        { u"acLine"_s, acLine },
        { u"battery"_s, hasSystemBattery(status) },
        { u"charging"_s,
            status.batteryFlag < SystemPowerStatus::FlagNoBattery
                && (status.batteryFlag & SystemPowerStatus::FlagCharging) != 0 },
        { u"percent"_s, levelKnown ? QJsonValue(status.batteryLifePercent) : QJsonValue() },
        { u"secondsLeft"_s, status.batteryLifeTime > 0 ? QJsonValue(status.batteryLifeTime) : QJsonValue() },
    });
    return Success;
}

ExitCode AmpctlCommands::schedule(const QString &kind, const QStringList &values, bool mainsOnly, bool wake)
{
    const bool timeBased = kind == u"once" || kind == u"daily" || kind == u"weekly";
    if (!timeBased && (mainsOnly || wake))
        return fail(
            UsageError, u"--%1 goes with --once, --daily or --weekly"_s.arg(wake ? u"wake"_s : u"mains-only"_s));
    // A schedule is written only for a plan that exists at that moment: a delete holds this lock
    // from its check of the schedules to the delete.
    const Result<DataLock> lock = DataLock::acquireForSeveral();
    if (!lock)
        return fail(SystemError, u"cannot write the schedule: "_s + lock.failure().message);
    const std::optional<PowerPlanList> loaded = loadPlans();
    if (!loaded)
        return m_output.lastFailure();
    const PowerPlanList &plans = *loaded;
    if (kind == u"network") {
        const std::optional<qsizetype> index = findPlan(plans, values.at(0));
        return index ? scheduleNetwork(plans.at(*index), values.at(1)) : m_output.lastFailure();
    }
    if (!timeBased)
        return schedulePower(plans, kind, values);
    return scheduleTime(plans, kind, values, mainsOnly, wake);
}

ExitCode AmpctlCommands::schedulePower(const PowerPlanList &plans, const QString &kind, const QStringList &values)
{
    const std::optional<PowerTrigger::Event> event = PowerTrigger::eventNamed(
        kind == u"on-mains" || kind == u"on-battery" || kind == u"battery-below" ? kind : u"after-wake"_s);
    int threshold = 0;
    if (event == PowerTrigger::Event::BatteryBelow) {
        bool isNumber = false;
        threshold = QString(values.at(1)).remove(u'%').toInt(&isNumber);
        if (!isNumber || !PowerTrigger::isThreshold(threshold))
            return fail(UsageError,
                u"bad battery level \"%1\": use a percentage from %2 to %3"_s.arg(values.at(1))
                    .arg(PowerTrigger::kLowestThreshold)
                    .arg(PowerTrigger::kHighestThreshold));
    }
    const std::optional<qsizetype> index = findPlan(plans, values.at(0));
    if (!index)
        return m_output.lastFailure();
    const Result<QUuid> saved = PowerTriggerFile::save(m_services.platform, plans.at(*index), *event, threshold);
    if (saved.failedWith(Failure::Kind::AlreadyExists))
        return fail(Duplicate, u"a schedule is for %1 already; see ampctl schedules"_s.arg(kind));
    if (!saved)
        return fail(SystemError, u"cannot write the power schedule file: %1"_s.arg(saved.failure().message));
    m_networkSchedulesChanged();
    m_output.out() << guidToText(*saved) << u'\n';
    return Success;
}

ExitCode AmpctlCommands::scheduleTime(
    const PowerPlanList &plans, const QString &kind, const QStringList &values, bool mainsOnly, bool wake)
{
    PlanTaskWriter::Choice choice;
    choice.onlyOnMains = mainsOnly;
    choice.wakeToRun = wake;
    choice.kind = kind == u"once" ? PlanTaskWriter::Kind::Once
        : kind == u"daily"        ? PlanTaskWriter::Kind::Daily
                                  : PlanTaskWriter::Kind::Weekly;
    // Daily and weekly schedules start today; once takes its date.
    const std::optional<QDate> date
        = choice.kind == PlanTaskWriter::Kind::Once ? parseDate(values.at(1)) : QDate::currentDate();
    if (!date)
        return fail(UsageError, u"bad date \"%1\": use YYYY-MM-DD"_s.arg(values.at(1)));
    const QString outOfRange = u"date %1 is out of range: use a year from %2 to %3"_s.arg(date->toString(Qt::ISODate))
                                   .arg(TaskDefinition::kFirstYear)
                                   .arg(TaskDefinition::kLastYear);
    if (!PlanTaskWriter::isDateInRange(*date))
        return fail(UsageError, outOfRange);
    const std::optional<QTime> time = parseTime(values.last());
    if (!time)
        return fail(UsageError, u"bad time \"%1\": use HH:MM or HH:MM:SS"_s.arg(values.last()));
    const QString noDays = u"no days given: --weekly needs at least one, such as Mon"_s;
    if (choice.kind == PlanTaskWriter::Kind::Weekly) {
        const std::optional<QList<bool>> days = parseDays(values.at(1));
        if (!days)
            return fail(UsageError, u"bad day list \"%1\": use day names such as Mon,Fri"_s.arg(values.at(1)));
        if (!days->contains(true))
            return fail(UsageError, noDays);
        choice.days = *days;
    }
    const QString skipped = u"%1 %2 never comes: the clock jumps over it when daylight saving starts"_s.arg(
        date->toString(Qt::ISODate), time->toString(u"HH:mm:ss"_s));
    if (choice.kind == PlanTaskWriter::Kind::Once && !PlanTaskWriter::isLocalTime(*date, *time))
        return fail(TimeSkipped, skipped);
    const QString passed = u"%1 %2 has passed: --once needs a time still to come"_s.arg(
        date->toString(Qt::ISODate), time->toString(u"HH:mm:ss"_s));
    if (choice.kind == PlanTaskWriter::Kind::Once && PlanTaskWriter::hasPassed(*date, *time))
        return fail(UsageError, passed);
    choice.date = *date;
    choice.time = *time;
    const std::optional<qsizetype> index = findPlan(plans, values.at(0));
    if (!index)
        return m_output.lastFailure();
    choice.planIndex = *index;

    PlanTaskWriter writer(m_services.tasks, m_programPath);
    switch (writer.write(choice, plans)) {
    case PlanTaskWriter::Outcome::Registered:
        m_output.out() << writer.taskName() << u'\n';
        if (wake && !m_services.tasks.canWakeSystem())
            m_output.warn(u"%1 runs when the machine is next awake: only an administrator may let it wake the "
                          "machine here (CAP_WAKE_ALARM)"_s.arg(writer.taskName()));
        return Success;
    case PlanTaskWriter::Outcome::NoDays:
        return fail(UsageError, noDays);
    case PlanTaskWriter::Outcome::DateOutOfRange:
        return fail(UsageError, outOfRange);
    case PlanTaskWriter::Outcome::NoSuchTime:
        return fail(TimeSkipped, skipped);
    case PlanTaskWriter::Outcome::InPast:
        return fail(UsageError, passed);
    case PlanTaskWriter::Outcome::NoProgramPath:
        return fail(SystemError, u"cannot find the ampora program beside ampctl or on PATH"_s);
    case PlanTaskWriter::Outcome::RegistrationFailed:
    case PlanTaskWriter::Outcome::NoPlan:
    case PlanTaskWriter::Outcome::NoKind:
    case PlanTaskWriter::Outcome::TaskGone: // ampctl writes new schedules only
    case PlanTaskWriter::Outcome::TaskChanged:
        break;
    }
    return fail(
        SystemError, u"cannot write the task %1: %2"_s.arg(writer.taskName(), writer.registrationFailure().message));
}

ExitCode AmpctlCommands::scheduleNetwork(const PowerPlan &plan, const QString &network)
{
    const std::optional<QUuid> guid = textToGuid(network);
    QList<NetworkList::Network> matches;
    for (const NetworkList::Network &known : m_services.networks.networks()) {
        if (guid ? known.guid == *guid : known.name == network)
            matches.append(known);
    }
    if (matches.isEmpty())
        return fail(NotFound, u"no network \"%1\"; see ampctl networks"_s.arg(network));
    if (matches.size() > 1)
        return fail(NotFound, u"%1 networks are named \"%2\"; use the GUID"_s.arg(matches.size()).arg(network));

    const Result<QList<NetworkSchedule>> saved = saveNetworkSchedule(m_services.platform, matches.first(), plan);
    if (saved.failedWith(Failure::Kind::AlreadyExists))
        return fail(Duplicate, u"network \"%1\" has a schedule already"_s.arg(matches.first().name));
    if (!saved)
        return fail(SystemError, u"cannot write the network schedule file: %1"_s.arg(saved.failure().message));
    m_networkSchedulesChanged();
    m_output.out() << guidToText(matches.first().guid) << u'\n';
    return Success;
}

ExitCode AmpctlCommands::change(const QString &command, const QString &name)
{
    for (const TimeSchedule &task : readTasks()) {
        if (task.taskName != name)
            continue;
        const Result<> changed = command == u"remove" ? m_services.tasks.deleteTask(name)
                                                      : m_services.tasks.setTaskEnabled(name, command == u"enable");
        return changed ? Success : fail(SystemError, changed.failure().message);
    }
    if (const std::optional<QUuid> id = textToGuid(name)) {
        for (const PowerTrigger &trigger : PowerTriggerFile::read(m_services.platform)) {
            if (trigger.id != *id)
                continue;
            const Result<> changed = command == u"remove"
                ? PowerTriggerFile::remove(m_services.platform, *id)
                : PowerTriggerFile::setEnabled(m_services.platform, *id, command == u"enable");
            if (changed.failedWith(Failure::Kind::NotFound))
                return fail(NotFound, u"no schedule \"%1\"; see ampctl schedules"_s.arg(name));
            if (!changed)
                return fail(SystemError, u"cannot write the power schedule file: %1"_s.arg(changed.failure().message));
            m_networkSchedulesChanged();
            return Success;
        }
    }
    return changeNetworkSchedule(command, name);
}

ExitCode AmpctlCommands::changeNetworkSchedule(const QString &command, const QString &name)
{
    const QList<NetworkSchedule> schedules = readNetworkSchedules(m_services.platform);
    const std::optional<QUuid> guid = textToGuid(name);
    QList<qsizetype> matches;
    for (qsizetype i = 0; i < schedules.size(); ++i) {
        if (guid ? schedules.at(i).networkGuid == *guid : schedules.at(i).networkName == name)
            matches.append(i);
    }
    if (matches.isEmpty())
        return fail(NotFound, u"no schedule \"%1\"; see ampctl schedules"_s.arg(name));
    if (matches.size() > 1)
        return fail(
            NotFound, u"%1 schedules are for networks named \"%2\"; use the GUID"_s.arg(matches.size()).arg(name));
    // The file is read again under its lock: the schedule is named by its network, not its place.
    const QUuid network = schedules.at(matches.first()).networkGuid;
    const Result<QList<NetworkSchedule>> changed = command == u"remove"
        ? removeNetworkSchedule(m_services.platform, network)
        : setNetworkScheduleEnabled(m_services.platform, network, command == u"enable");
    if (changed.failedWith(Failure::Kind::NotFound))
        return fail(NotFound, u"no schedule \"%1\"; see ampctl schedules"_s.arg(name));
    if (!changed)
        return fail(SystemError, u"cannot write the network schedule file: %1"_s.arg(changed.failure().message));
    m_networkSchedulesChanged();
    return Success;
}

std::optional<PowerPlanList> AmpctlCommands::loadPlans()
{
    Result<PowerPlanList> plans = loadPowerPlans(m_services.platform);
    if (!plans) {
        fail(SystemError, u"cannot read the power plans: "_s + plans.failure().message);
        return std::nullopt;
    }
    return std::move(plans.value());
}

std::optional<qsizetype> AmpctlCommands::findPlan(const PowerPlanList &plans, const QString &text)
{
    const Result<qsizetype> index = findPlanByText(plans, text);
    if (!index) {
        fail(NotFound, index.failure().message);
        return std::nullopt;
    }
    return *index;
}

QList<TimeSchedule> AmpctlCommands::readTasks()
{
    return readScheduledTasks(m_services.tasks, m_services.platform);
}
