#include "AmpctlCommands.h"

#include "BatteryPopup.h"
#include "BatteryStatusReader.h"
#include "DataLock.h"
#include "Guid.h"
#include "NetworkList.h"
#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "PlanCommands.h"
#include "PlanLookup.h"
#include "PlanTaskWriter.h"
#include "Profile.h"
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

struct Command
{
    QString name;
    int arguments;
    QString usage;
};

const QList<Command> kCommands = {
    { u"list"_s, 0, u"ampctl list"_s },
    { u"active"_s, 0, u"ampctl active"_s },
    { u"set"_s, 1, u"ampctl set PLAN"_s },
    { u"apply"_s, 0, u"ampctl apply"_s },
    { u"status"_s, 0, u"ampctl status"_s },
    { u"schedules"_s, 0, u"ampctl schedules"_s },
    { u"networks"_s, 0, u"ampctl networks"_s },
    { u"battery"_s, 0, u"ampctl battery"_s },
    { u"enable"_s, 1, u"ampctl enable NAME"_s },
    { u"disable"_s, 1, u"ampctl disable NAME"_s },
    { u"remove"_s, 1, u"ampctl remove NAME"_s },
    { u"show"_s, 1, u"ampctl show PLAN"_s },
    { u"create"_s, 1, u"ampctl create NAME [--from PLAN]"_s },
    { u"rename"_s, 2, u"ampctl rename PLAN NEW-NAME"_s },
    { u"describe"_s, 2, u"ampctl describe PLAN TEXT"_s },
    { u"delete"_s, 1, u"ampctl delete PLAN"_s },
    { u"get"_s, 2, u"ampctl get PLAN SETTING"_s },
    { u"set-value"_s, 2, u"ampctl set-value PLAN SETTING [--ac VALUE] [--dc VALUE]"_s },
};

// Options that take a value, and the one command each belongs to.
struct ValueOption
{
    QString name;
    QString command;
};

const QList<ValueOption> kValueOptions = {
    { u"from"_s, u"create"_s },
    { u"ac"_s, u"set-value"_s },
    { u"dc"_s, u"set-value"_s },
};

// The schedule kinds: option name, values after PLAN, usage.
const QList<Command> kKinds = {
    { u"once"_s, 2, u"ampctl schedule PLAN --once DATE TIME"_s },
    { u"daily"_s, 1, u"ampctl schedule PLAN --daily TIME"_s },
    { u"weekly"_s, 2, u"ampctl schedule PLAN --weekly DAYS TIME"_s },
    { u"network"_s, 1, u"ampctl schedule PLAN --network NETWORK"_s },
};

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

} // namespace

AmpctlCommands::AmpctlCommands(Context context, QTextStream &out, QTextStream &err)
    : m_services(context.services)
    , m_programPath(std::move(context.programPath))
    , m_networkSchedulesChanged(std::move(context.networkSchedulesChanged))
    , m_applyBackends(std::move(context.applyBackends))
    , m_output(out, err)
{
}

int AmpctlCommands::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(u"json"_s));
    parser.addOption(QCommandLineOption(QStringList { u"h"_s, u"help"_s }));
    for (const Command &kind : kKinds)
        parser.addOption(QCommandLineOption(kind.name));
    for (const ValueOption &option : kValueOptions)
        parser.addOption(QCommandLineOption(option.name, QString(), u"VALUE"_s));
    if (!parser.parse(QStringList(u"ampctl"_s) + arguments))
        return fail(UsageError, parser.errorText());
    if (parser.isSet(u"help"_s)) {
        m_output.out() << helpText();
        return Success;
    }
    m_output.setJson(parser.isSet(u"json"_s));
    QStringList values = parser.positionalArguments();
    if (values.isEmpty())
        return fail(UsageError, u"no command given; see ampctl --help"_s);
    const QString command = values.takeFirst();
    for (const ValueOption &option : kValueOptions) {
        if (parser.isSet(option.name) && command != option.command)
            return fail(UsageError, u"--%1 belongs to the %2 command"_s.arg(option.name, option.command));
    }
    if (command == u"schedule")
        return schedule(parser, values);
    for (const Command &kind : kKinds) {
        if (parser.isSet(kind.name))
            return fail(UsageError, u"--%1 belongs to the schedule command"_s.arg(kind.name));
    }
    const auto known
        = std::find_if(kCommands.cbegin(), kCommands.cend(), [&](const Command &c) { return c.name == command; });
    if (known == kCommands.cend())
        return fail(UsageError, u"unknown command \"%1\"; see ampctl --help"_s.arg(command));
    if (values.size() != known->arguments)
        return fail(UsageError, u"usage: "_s + known->usage);

    if (command == u"list")
        return list();
    if (command == u"active")
        return active();
    if (command == u"set")
        return set(values.first());
    if (command == u"apply")
        return applying().apply();
    if (command == u"status")
        return applying().status();
    if (command == u"schedules")
        return schedules();
    if (command == u"networks")
        return networks();
    if (command == u"battery")
        return battery();
    if (command == u"enable" || command == u"disable" || command == u"remove")
        return change(command, values.first());
    return planCommand(parser, command, values);
}

int AmpctlCommands::planCommand(const QCommandLineParser &parser, const QString &command, const QStringList &values)
{
    const auto option
        = [&](const QString &name) { return parser.isSet(name) ? std::optional(parser.value(name)) : std::nullopt; };
    PlanCommands plans(m_services, m_output, [this] { (void)applying().applyChanged(); });
    if (command == u"show")
        return plans.show(values.at(0));
    if (command == u"create")
        return plans.create(values.at(0), option(u"from"_s));
    if (command == u"rename")
        return plans.rename(values.at(0), values.at(1));
    if (command == u"describe")
        return plans.describe(values.at(0), values.at(1));
    if (command == u"delete")
        return plans.remove(values.at(0));
    if (command == u"get")
        return plans.get(values.at(0), values.at(1));
    return plans.setValue(values.at(0), values.at(1), option(u"ac"_s), option(u"dc"_s));
}

int AmpctlCommands::list()
{
    const std::optional<PowerPlanList> plans = loadPlans();
    if (!plans)
        return m_output.lastFailure();
    const QUuid activeGuid = m_services.platform.activeScheme().valueOr(QUuid());
    QJsonArray json;
    QList<QStringList> rows;
    for (const PowerPlan &plan : *plans) {
        const bool isActive = plan.planGuid == activeGuid;
        json.append(QJsonObject { { u"guid"_s, guidToText(plan.planGuid) }, { u"name"_s, plan.planName },
            { u"description"_s, plan.planDescription }, { u"active"_s, isActive } });
        rows.append({ isActive ? u"*"_s : QString(), guidToText(plan.planGuid), plan.planName });
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

int AmpctlCommands::active()
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

int AmpctlCommands::set(const QString &plan)
{
    const std::optional<PowerPlanList> loaded = loadPlans();
    if (!loaded)
        return m_output.lastFailure();
    const PowerPlanList &plans = *loaded;
    const std::optional<qsizetype> index = findPlan(plans, plan);
    if (!index)
        return m_output.lastFailure();
    if (const Result<> activated = m_services.platform.setActiveScheme(plans.at(*index).planGuid); !activated) {
        return fail(SystemError,
            u"cannot make \"%1\" the active plan: %2"_s.arg(plans.at(*index).planName, activated.failure().message));
    }
    return applying().applyChanged();
}

int AmpctlCommands::schedules()
{
    const QString at = loadText(u"IDS_AT");
    QJsonArray json;
    QList<QStringList> rows { { u"NAME"_s, u"PLAN"_s, u"STATUS"_s, u"TYPE"_s, u"SCHEDULE"_s } };
    for (const TimeSchedule &task : readTasks()) {
        // A damaged task says what is wrong instead of when it runs: it may still run.
        const bool damaged = !task.damage.isEmpty();
        const QString when = damaged ? damageText(task.damage) : task.frequencyText + u' ' + at + u' ' + task.startText;
        const QString type = loadText(u"IDS_TIME_BASED");
        QJsonObject entry { { u"kind"_s, u"time"_s }, { u"name"_s, task.taskName }, { u"plan"_s, task.planName },
            { u"planGuid"_s, task.planGuid.isNull() ? QJsonValue() : QJsonValue(guidToText(task.planGuid)) },
            { u"enabled"_s, task.enabled }, { u"status"_s, statusText(task.enabled) }, { u"type"_s, type },
            { u"schedule"_s, when }, { u"frequency"_s, task.frequencyText }, { u"start"_s, task.startText },
            { u"daysOfWeek"_s, task.daysOfWeek } };
        if (damaged)
            entry.insert(u"damaged"_s, task.damage);
        json.append(entry);
        rows.append({ task.taskName, task.planName, statusText(task.enabled), type, when });
    }
    for (const NetworkSchedule &network : readNetworkSchedules(m_services.platform)) {
        const QString type = loadText(u"IDS_NETWORK_BASED");
        json.append(QJsonObject { { u"kind"_s, u"network"_s }, { u"name"_s, guidToText(network.networkGuid) },
            { u"plan"_s, network.planName }, { u"planGuid"_s, guidToText(network.planGuid) },
            { u"enabled"_s, network.enabled }, { u"status"_s, statusText(network.enabled) }, { u"type"_s, type },
            { u"schedule"_s, network.networkName }, { u"network"_s, network.networkName } });
        rows.append({ guidToText(network.networkGuid), network.planName, statusText(network.enabled), type,
            network.networkName });
    }
    m_output.printListing(json, rows);
    return Success;
}

int AmpctlCommands::networks()
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

int AmpctlCommands::battery()
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

int AmpctlCommands::schedule(const QCommandLineParser &parser, const QStringList &values)
{
    QList<Command> chosen;
    for (const Command &kind : kKinds) {
        if (parser.isSet(kind.name))
            chosen.append(kind);
    }
    if (chosen.size() != 1)
        return fail(UsageError, u"schedule takes one of --once, --daily, --weekly or --network"_s);
    if (values.size() != 1 + chosen.first().arguments)
        return fail(UsageError, u"usage: "_s + chosen.first().usage);

    // A schedule is written only for a plan that exists at that moment: a delete holds this lock
    // from its check of the schedules to the delete.
    const Result<DataLock> lock = DataLock::acquireForSeveral();
    if (!lock)
        return fail(SystemError, u"cannot write the schedule: "_s + lock.failure().message);
    const std::optional<PowerPlanList> loaded = loadPlans();
    if (!loaded)
        return m_output.lastFailure();
    const PowerPlanList &plans = *loaded;
    if (chosen.first().name == u"network") {
        const std::optional<qsizetype> index = findPlan(plans, values.at(0));
        return index ? scheduleNetwork(plans.at(*index), values.at(1)) : m_output.lastFailure();
    }
    return scheduleTime(plans, chosen.first().name, values);
}

int AmpctlCommands::scheduleTime(const PowerPlanList &plans, const QString &kind, const QStringList &values)
{
    PlanTaskWriter::Choice choice;
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

int AmpctlCommands::scheduleNetwork(const PowerPlan &plan, const QString &network)
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

int AmpctlCommands::change(const QString &command, const QString &name)
{
    for (const TimeSchedule &task : readTasks()) {
        if (task.taskName != name)
            continue;
        const Result<> changed = command == u"remove" ? m_services.tasks.deleteTask(name)
                                                      : m_services.tasks.setTaskEnabled(name, command == u"enable");
        return changed ? Success : fail(SystemError, changed.failure().message);
    }
    return changeNetworkSchedule(command, name);
}

int AmpctlCommands::changeNetworkSchedule(const QString &command, const QString &name)
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

QString AmpctlCommands::helpText()
{
    return uR"(Usage: ampctl [--json] COMMAND [ARGUMENTS]

Switch, edit and schedule Ampora's power plans from a terminal or a script.

Commands:
  list                       List the power plans; * marks the active one.
  active                     Show the active plan.
  set PLAN                   Make PLAN the active plan and apply it.
  apply                      Apply the active plan again now: write its values into the
                             desktop's settings and the services that take them.
  status                     Show the active plan, the power source and what became of each
                             setting when the plan was last applied on this machine.
  show PLAN                  Show PLAN and every setting this machine offers, plugged in (AC)
                             and, on a machine with a battery, on battery (DC).
  create NAME [--from PLAN]  Copy the active plan, or PLAN, into a new plan named NAME and
                             print its GUID. The new plan is not made active.
  rename PLAN NEW-NAME       Rename PLAN.
  describe PLAN TEXT         Set PLAN's description.
  delete PLAN                Delete PLAN; not the active plan, nor one a schedule uses.
  get PLAN SETTING           Show one setting of PLAN, AC then DC.
  set-value PLAN SETTING [--ac VALUE] [--dc VALUE]
                             Change one setting of PLAN (give --ac, --dc or both). A change to
                             the active plan is applied at once.
  schedules                  List the time-based, then the network-based schedules. A
                             schedule changed or damaged outside Ampora is listed with what
                             is wrong; it can still be disabled and removed.
  schedule PLAN --once DATE TIME
                             Switch to PLAN once, on DATE (YYYY-MM-DD, a year from 1970
                             to 2198) at TIME; that moment must still be to come.
  schedule PLAN --daily TIME Switch to PLAN every day at TIME, from today on.
  schedule PLAN --weekly DAYS TIME
                             Switch to PLAN at TIME on DAYS (such as Mon,Fri), from today on.
  schedule PLAN --network NETWORK
                             Record PLAN for NETWORK (a name or GUID from "ampctl networks").
  enable NAME                Enable a schedule.
  disable NAME               Disable a schedule.
  remove NAME                Remove a schedule.
  networks                   List the networks this machine knows; * marks connected ones.
  battery                    Show the battery state as the battery popup does: status, power
                             source, remaining charge and, when known, time left.

PLAN is a plan's exact name or its GUID in braces, such as
{A1841308-3541-4FAB-BC81-F71556F20B4A}. TIME is HH:MM or HH:MM:SS, on a 24-hour clock.
NAME is a time-based schedule's task name (such as AMPCTL3), or the network name or GUID of a
network-based schedule. A new time-based schedule prints its task name; a new network-based
one prints the network's GUID. Time-based schedules start the ampora program found beside
ampctl or on PATH. A name that starts with "-" goes after "--", which ends the options:
  ampctl set -- -Eco
Control characters in names (a network's name is chosen by whoever runs it) are shown escaped,
such as \x1b; --json gives them as they are. A plan's name is kept without the blanks around
it, is unique ignoring case, holds no tab, escape or other control character and is at most
256 characters long; a description holds no line break and is at most 2048 characters long.

Settings and their values (show prints them the same way; "unset" is a value that cannot be
read):
  power-button, sleep-button, lid
                nothing, suspend (or sleep), hibernate, shutdown
  dim, display-off, disk-off, sleep, hibernate
                never (or 0), or minutes: 15min, 15, 1h 30min; up to 30000000 minutes
  lock-on-wake  on, off
  brightness    a percentage from 0 to 100: 70% or 70
  performance-profile
                power-saver, balanced, performance
A machine without a power button, sleep button, lid or dimmable display has no such settings
(brightness goes with dimming), and one without a battery has no DC values.

Applying writes the values for the current power source into what this desktop and machine
offer. When settings failed (the outcome failed below), set, set-value and apply say how many
on stderr and still succeed; status tells which, each with one of these outcomes (status --json
gives the name on the left):
  applied                 it took effect
  approximated            the desktop can only come close; the detail says how
  fixed-by-desktop        the desktop does this one way, whatever the plan says
  needs-ampora-running    only a running Ampora can do it
  needs-administrator     only an administrator may change it on this machine
  not-on-this-machine     the machine lacks it, such as a lid or a backlight
  not-on-this-desktop     nothing on this desktop sets it
  changed-outside-ampora  changed in the desktop's own settings since Ampora wrote it; left
                          alone when the power source changes or the machine wakes
  failed                  the service refused or did not answer; the detail says why

Options:
  --json        Print listings, show, get, create and status as JSON.
  --from PLAN   The plan create copies.
  --ac VALUE    The plugged-in value set-value writes.
  --dc VALUE    The on-battery value set-value writes.
  -h, --help    Show this help.

Exit status:
  0  success
  1  a file, the plan store or the task folder could not be read, locked or written (the
     message says why), a change would make the plan store too large, or the ampora program
     was not found
  2  bad command line: unknown command, option or setting, wrong number of arguments, a bad
     date, time, day list or value, a date out of range, a --once time that has passed, no
     days for --weekly, an empty name, a name with a control character, or a name or
     description with a line break or too long
  3  no such plan, schedule or network, or a name that fits more than one
  4  the network has a schedule already, or another plan has the name (ignoring case)
  5  the --once time never comes: the clock jumps over it when daylight saving starts (such
     as 02:30 on that day in much of Europe)
  6  the plan is in use: it is the active plan, or a schedule uses it
  7  this machine does not offer the setting, or has no battery for a --dc value
)"_s;
}
