// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemdTaskService.h"

#include "AtomicFile.h"
#include "AutostartEntry.h"
#include "DataLock.h"
#include "RegularFile.h"
#include "TimerUnits.h"
#include "UnitFile.h"
#include "UserReport.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

using UserReport::reportToUser;

using namespace std::chrono_literals;

namespace {

// A task is written as several files (timer, service, link); one change reports once.
constexpr auto kSettleTime = 100ms;

const QString kTimerSuffix = QStringLiteral(".timer");
const QString kServiceSuffix = QStringLiteral(".service");
const QString kEntrySuffix = QStringLiteral(".desktop");

// What a new unit may be called: systemd's unit name characters, no template '@', no escapes.
bool isNewTaskName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9:_-][A-Za-z0-9:_.-]{0,199}$"));
    return pattern.match(name).hasMatch();
}

// Existing tasks may carry any name their file has, as long as it stays inside the folder.
bool isFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != u"." && name != u"..";
}

bool isPresent(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool removeIfPresent(const QString &path)
{
    return !isPresent(path) || QFile::remove(path);
}

// An entry of another program, or a unit without this program's mark, that is there but cannot be
// read (not a regular file, too large, not UTF-8) is skipped with one line on stderr.
void reportIgnored(const Result<UnitFile> &file)
{
    if (!file && !file.failedWith(Failure::Kind::NotFound))
        reportToUser(QStringLiteral("ampora: %1; ignored").arg(file.failure().message));
}

std::optional<UnitFile> loadForListing(const QString &path, UnitFile::Syntax syntax)
{
    Result<UnitFile> file = UnitFile::read(path, syntax);
    reportIgnored(file);
    return file ? std::optional<UnitFile>(std::move(file.value())) : std::nullopt;
}

// Whether a unit file carries this program's mark, also when the rest of it cannot be taken as
// written (a bad byte, a line changed by hand): such a unit is still the program's to list,
// disable and remove, or it would go on switching plans where nobody can see it.
bool carriesMark(const QString &path)
{
    const Result<QByteArray> bytes = RegularFile::read(path);
    return bytes && TimerUnits::isTask(UnitFile::parse(QString::fromUtf8(*bytes), UnitFile::Syntax::Unit));
}

QStringList sortedFiles(const QDir &dir, const QString &suffix)
{
    // Compared by hand: a name filter would compile a regular expression in every running copy.
    QStringList files = dir.entryList(QDir::Files | QDir::System);
    files.removeIf([&suffix](const QString &file) { return !file.endsWith(suffix); });
    std::sort(files.begin(), files.end());
    return files;
}

Result<> writeText(const QString &path, const QString &text)
{
    return AtomicFile::write(path, text.toUtf8());
}

// A stamp this program writes says "last ran" at a whole second; the user manager stamps a real
// run with the microsecond it happened. So the stamp tells a real run by its fraction of a second
// (a real run at exactly a whole second, one in a million, reads as not run yet), and the manager's
// last trigger counts as a run when the manager itself saw it (its monotonic half is set): it
// prints whole seconds only. The stamp's last run when it is a real one:
std::optional<QDateTime> stampedRun(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || info.st_mtim.tv_nsec == 0)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
}

// "Mon 2026-12-07 06:38:12 UTC" (with or without a fraction of a second) as systemctl show prints
// a timestamp in the zone UTC (SystemctlRunner::read runs it so).
std::optional<QDateTime> parseUtcTimestamp(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\w+ (\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})(?:\\.\\d+)? UTC$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QDateTime at = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!at.isValid())
        return std::nullopt;
    at.setTimeSpec(Qt::UTC);
    return at.toLocalTime();
}

// systemctl show prints one block of Key=value lines per unit, blocks parted by an empty line.
QHash<QString, QHash<QString, QString>> unitBlocks(const QString &output)
{
    QHash<QString, QHash<QString, QString>> units;
    QHash<QString, QString> block;
    const auto finish = [&] {
        if (block.contains(QStringLiteral("Id")))
            units.insert(block.value(QStringLiteral("Id")), block);
        block.clear();
    };
    for (const QString &line : output.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (line.trimmed().isEmpty())
            finish();
        else if (equals > 0)
            block.insert(line.left(equals), line.mid(equals + 1));
    }
    finish();
    return units;
}

Failure notOurs(const QString &name)
{
    return invalid(QStringLiteral("%1 was not written by Ampora; it is left alone").arg(name));
}

} // namespace

SystemdTaskService::SystemdTaskService(
    QString unitFolder, QString autostartFolder, QString stampFolder, SystemctlRunner systemctl, QObject *parent)
    : TaskService(parent)
    , m_unitFolder(QDir(unitFolder).absolutePath())
    , m_autostartFolder(QDir(autostartFolder).absolutePath())
    , m_stampFolder(QDir(stampFolder).absolutePath())
    , m_systemctl(systemctl)
{
}

void SystemdTaskService::connectNotify(const QMetaMethod &signal)
{
    // Only a listener needs the watch; a command that ends at once never pays for it.
    if (signal == QMetaMethod::fromSignal(&TaskService::tasksChanged) && !m_watcher)
        startWatching();
}

void SystemdTaskService::startWatching()
{
    m_watcher = new QFileSystemWatcher(this);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleTime);
    connect(m_settle, &QTimer::timeout, this, [this] {
        watchUnitFiles();
        Q_EMIT tasksChanged();
    });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SystemdTaskService::noteFolderEvent);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SystemdTaskService::noteFolderEvent);
    // A folder that does not exist cannot be watched; the first task written creates it anyway.
    if (!QDir().mkpath(m_unitFolder) || !m_watcher->addPath(m_unitFolder))
        reportToUser(QStringLiteral("ampora: cannot watch %1 for schedule changes").arg(m_unitFolder));
    watchWantsFolder();
    watchUnitFiles();
}

void SystemdTaskService::watchUnitFiles()
{
    // A unit edited in place changes no folder. Files replaced by a rename keep their names but
    // not the watched file, so the whole set is watched afresh after every change.
    if (const QStringList watched = m_watcher->files(); !watched.isEmpty())
        m_watcher->removePaths(watched);
    const QDir dir(m_unitFolder);
    QStringList units;
    for (const QString &suffix : { kTimerSuffix, kServiceSuffix }) {
        for (const QString &file : sortedFiles(dir, suffix))
            units.append(dir.filePath(file));
    }
    if (!units.isEmpty())
        m_watcher->addPaths(units);
}

void SystemdTaskService::watchWantsFolder()
{
    const QString wants = m_unitFolder + QStringLiteral("/timers.target.wants");
    if (!m_watcher->directories().contains(wants) && QFileInfo(wants).isDir())
        m_watcher->addPath(wants);
}

void SystemdTaskService::noteFolderEvent()
{
    watchWantsFolder();
    m_settle->start();
}

QString SystemdTaskService::defaultUnitFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/systemd/user");
}

QString SystemdTaskService::defaultAutostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QString SystemdTaskService::defaultStampFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/systemd/timers");
}

QString SystemdTaskService::timerPath(const QString &name) const
{
    return m_unitFolder + u'/' + name + kTimerSuffix;
}

QString SystemdTaskService::servicePath(const QString &name) const
{
    return m_unitFolder + u'/' + name + kServiceSuffix;
}

QString SystemdTaskService::wantsLinkPath(const QString &name) const
{
    return m_unitFolder + QStringLiteral("/timers.target.wants/") + name + kTimerSuffix;
}

QString SystemdTaskService::entryPath(const QString &name) const
{
    return m_autostartFolder + u'/' + name + kEntrySuffix;
}

QString SystemdTaskService::stampPath(const QString &name) const
{
    return m_stampFolder + QStringLiteral("/stamp-") + name + kTimerSuffix;
}

SystemdTaskService::Kind SystemdTaskService::kindOf(const QString &name) const
{
    if (!isFileName(name))
        return Kind::None;
    if (isPresent(timerPath(name)) || isPresent(servicePath(name)))
        return carriesMark(timerPath(name)) || carriesMark(servicePath(name)) ? Kind::Timer : Kind::Foreign;
    if (!isPresent(entryPath(name)))
        return Kind::None;
    const std::optional<UnitFile> entry = UnitFile::load(entryPath(name), UnitFile::Syntax::Desktop);
    return entry && AutostartEntry::isTask(*entry) ? Kind::Autostart : Kind::Foreign;
}

Result<QList<RegisteredTask>> SystemdTaskService::readTasks() const
{
    Result<QList<RegisteredTask>> timers = readTimers();
    if (!timers)
        return timers;
    const Result<QList<RegisteredTask>> entries = readEntries();
    if (!entries)
        return entries;
    return timers.value() + entries.value();
}

bool SystemdTaskService::ownsEveryUnit(const QString &name) const
{
    for (const QString &path : { timerPath(name), servicePath(name) }) {
        if (isPresent(path) && !carriesMark(path))
            return false;
    }
    return true;
}

Result<QList<RegisteredTask>> SystemdTaskService::readTimers() const
{
    const QDir dir(m_unitFolder);
    if (!dir.exists())
        return QList<RegisteredTask>();
    if (!QFileInfo(m_unitFolder).isReadable())
        return failed(QStringLiteral("the unit folder %1 cannot be read").arg(m_unitFolder));
    QList<RegisteredTask> tasks;
    for (const QString &file : sortedFiles(dir, kTimerSuffix))
        tasks.append(readTimer(file.chopped(kTimerSuffix.size())));
    // A service of this program whose timer is gone (removed by hand) is listed too, so that it
    // can be removed.
    for (const QString &file : sortedFiles(dir, kServiceSuffix)) {
        const QString name = file.chopped(kServiceSuffix.size());
        if (!isPresent(timerPath(name)) && carriesMark(servicePath(name)))
            tasks.append(RegisteredTask {
                name, false, std::nullopt, QStringLiteral("its timer %1 is missing").arg(name + kTimerSuffix) });
    }
    return tasks;
}

RegisteredTask SystemdTaskService::readTimer(const QString &name) const
{
    RegisteredTask task;
    task.name = name;
    task.enabled = isPresent(wantsLinkPath(name));
    const bool ours = carriesMark(timerPath(name)) || carriesMark(servicePath(name));
    const Result<UnitFile> timer = UnitFile::read(timerPath(name), UnitFile::Syntax::Unit);
    const Result<UnitFile> service = UnitFile::read(servicePath(name), UnitFile::Syntax::Unit);
    if (!ours) {
        reportIgnored(timer);
        reportIgnored(service);
    }
    if (timer) {
        task.definition = TimerUnits::decompose(*timer, service ? std::optional(*service) : std::nullopt);
    }
    if (!ours)
        return task;
    // The first thing that keeps the task from being what the program wrote; the files are
    // named without their folder, which is the same for all of them.
    const QString folder = m_unitFolder + u'/';
    if (!timer)
        task.damage = QString(timer.failure().message).replace(folder, QString());
    else if (service.failedWith(Failure::Kind::NotFound))
        task.damage = QStringLiteral("its service %1 is missing").arg(name + kServiceSuffix);
    else if (!service)
        task.damage = QString(service.failure().message).replace(folder, QString());
    else if (!TimerUnits::isTask(*timer) || !TimerUnits::isTask(*service))
        task.damage = QStringLiteral("its units no longer carry the X-Ampora-Task mark both");
    else if (task.definition->triggers.isEmpty())
        task.damage = QStringLiteral("its OnCalendar= lines were changed outside Ampora");
    else if (task.definition->actions.isEmpty())
        task.damage = QStringLiteral("its ExecStart= line was changed outside Ampora");
    return task;
}

Result<QList<RegisteredTask>> SystemdTaskService::readEntries() const
{
    const QDir dir(m_autostartFolder);
    if (!dir.exists())
        return QList<RegisteredTask>();
    if (!QFileInfo(m_autostartFolder).isReadable())
        return failed(QStringLiteral("the autostart folder %1 cannot be read").arg(m_autostartFolder));
    QList<RegisteredTask> tasks;
    for (const QString &file : sortedFiles(dir, kEntrySuffix)) {
        const std::optional<UnitFile> entry = loadForListing(dir.filePath(file), UnitFile::Syntax::Desktop);
        if (!entry || !AutostartEntry::isTask(*entry))
            continue;
        tasks.append(RegisteredTask {
            file.chopped(kEntrySuffix.size()), AutostartEntry::isEnabled(*entry), AutostartEntry::decompose(*entry) });
    }
    return tasks;
}

Result<> SystemdTaskService::changeTask(const QString &name, const std::function<Result<>(Kind)> &change)
{
    if (!isNewTaskName(name))
        return invalid(QStringLiteral("%1 cannot name a task").arg(name));
    // Units and entries are shared with every other Ampora process of the user; the look at what
    // exists and the write happen under one lock, so nothing can slip in between.
    const Result<DataLock> lock = DataLock::acquire();
    if (!lock)
        return lock.failure();
    return change(kindOf(name));
}

Result<> SystemdTaskService::registerTask(const QString &name, const TaskDefinition &definition, Registration mode)
{
    return changeTask(name, [&](Kind existing) -> Result<> {
        if (existing == Kind::Foreign || (existing == Kind::Timer && !ownsEveryUnit(name)))
            return alreadyExists(QStringLiteral("%1 exists and was not written by Ampora").arg(name));
        if (existing != Kind::None && mode == Registration::Create)
            return alreadyExists(QStringLiteral("a task %1 exists").arg(name));
        return write(name, definition, existing);
    });
}

Result<> SystemdTaskService::replaceTask(
    const QString &name, const TaskDefinition &definition, const TaskDefinition &expected)
{
    return changeTask(name, [&](Kind existing) -> Result<> {
        if (existing == Kind::None)
            return notFound(QStringLiteral("no task %1").arg(name));
        if (currentDefinition(name, existing) != expected)
            return alreadyExists(QStringLiteral("the task %1 has changed since it was read").arg(name));
        return write(name, definition, existing);
    });
}

std::optional<TaskDefinition> SystemdTaskService::currentDefinition(const QString &name, Kind kind) const
{
    if (kind == Kind::Timer && ownsEveryUnit(name)) {
        if (const RegisteredTask task = readTimer(name); task.damage.isEmpty())
            return task.definition;
    } else if (kind == Kind::Autostart) {
        if (const std::optional<UnitFile> entry = UnitFile::load(entryPath(name), UnitFile::Syntax::Desktop))
            return AutostartEntry::decompose(*entry);
    }
    return std::nullopt; // gone, damaged, or not Ampora's: matches no definition read earlier
}

Result<> SystemdTaskService::write(const QString &name, const TaskDefinition &definition, Kind existing)
{
    const bool logon
        = !definition.triggers.isEmpty() && definition.triggers.constFirst().type == TaskDefinition::TriggerType::Logon;
    const Result<> written = logon ? writeEntry(name, definition) : writeTimer(name, definition);
    // A task that changed between timer and logon entry leaves nothing of its old form behind.
    const Kind writtenKind = logon ? Kind::Autostart : Kind::Timer;
    if (written && existing != Kind::None && existing != writtenKind)
        return remove(name, existing);
    return written;
}

Result<> SystemdTaskService::writeTimer(const QString &name, const TaskDefinition &definition)
{
    const std::optional<TimerUnits::Texts> texts = TimerUnits::compose(name, definition);
    if (!texts)
        return invalid(QStringLiteral("the task %1 cannot be written as a timer").arg(name));
    // Where no manager runs, or it has no such timer loaded, there is nothing to stop.
    (void)m_systemctl.run({ QStringLiteral("stop"), name + kTimerSuffix });
    Result<> written = restartStamp(name, definition.settings.startWhenAvailable);
    // The service first, so a timer never points at a missing or stale one. When the timer then
    // cannot be written, the service goes back to what it was: no service is left without its
    // timer, nor an old timer with another task's service.
    const Result<QByteArray> oldService = RegularFile::read(servicePath(name));
    if (written)
        written = writeText(servicePath(name), texts->service);
    if (written) {
        written = writeText(timerPath(name), texts->timer);
        if (!written
            && !(
                oldService ? AtomicFile::write(servicePath(name), *oldService).ok() : QFile::remove(servicePath(name))))
            reportToUser(QStringLiteral("ampora: %1 could not be put back").arg(servicePath(name)));
    }
    if (written) {
        if (const Result<> linked = linkTimer(name, true); !linked)
            written
                = failed(QStringLiteral("the timer %1 could not be enabled: %2").arg(name, linked.failure().message));
    }
    // A failed write leaves whatever timer is on disk running as it was enabled.
    const bool running = isLinked(name);
    if (const Result<> told = tellManager(name, running); written && !told)
        return failed(
            QStringLiteral("the timer %1 was written, but the user manager did not %2 it: %3")
                .arg(name, running ? QStringLiteral("start") : QStringLiteral("stop"), told.failure().message));
    return written;
}

Result<> SystemdTaskService::writeEntry(const QString &name, const TaskDefinition &definition)
{
    const std::optional<QString> text = AutostartEntry::compose(definition);
    if (!text)
        return invalid(QStringLiteral("the task %1 cannot be written as an autostart entry").arg(name));
    return writeText(entryPath(name), *text);
}

Result<> SystemdTaskService::deleteTask(const QString &name)
{
    // Units and entries are shared with every other Ampora process of the user.
    const Result<DataLock> lock = DataLock::acquire();
    if (!lock)
        return lock.failure();
    switch (const Kind kind = kindOf(name)) {
    case Kind::None:
        return notFound(QStringLiteral("no task %1").arg(name));
    case Kind::Foreign:
        return notOurs(name);
    case Kind::Timer:
    case Kind::Autostart:
        return remove(name, kind);
    }
    return {};
}

Result<> SystemdTaskService::remove(const QString &name, Kind kind)
{
    if (kind == Kind::Autostart) {
        if (!removeIfPresent(entryPath(name)))
            return failed(QStringLiteral("%1 could not be removed").arg(entryPath(name)));
        return {};
    }
    // Where no manager runs, or it has no such timer loaded, there is nothing to stop.
    (void)m_systemctl.run({ QStringLiteral("stop"), name + kTimerSuffix });
    const Result<> removed = removeTimerFiles(name);
    // The timer is stopped and its files are gone: a manager that does not reload only lists a
    // unit that no longer exists until its next reload.
    (void)m_systemctl.run({ QStringLiteral("daemon-reload") });
    return removed;
}

Result<> SystemdTaskService::removeTimerFiles(const QString &name)
{
    // A unit of that name without the mark is another program's, or hand-made: it stays.
    const auto removeOurs = [](const QString &path) { return !carriesMark(path) || QFile::remove(path); };
    const Result<> unlinked = linkTimer(name, false);
    const bool removed = unlinked && removeOurs(timerPath(name)) && removeOurs(servicePath(name));
    // Not needed for the next task of this name, whose write sets its own stamp; just tidy.
    removeIfPresent(stampPath(name));
    if (!unlinked)
        return failed(QStringLiteral("the timer %1 could not be disabled: %2").arg(name, unlinked.failure().message));
    if (!removed)
        return failed(QStringLiteral("the units of %1 could not be removed").arg(name));
    return {};
}

Result<> SystemdTaskService::setTaskEnabled(const QString &name, bool enabled)
{
    // Units and entries are shared with every other Ampora process of the user.
    const Result<DataLock> lock = DataLock::acquire();
    if (!lock)
        return lock.failure();
    switch (kindOf(name)) {
    case Kind::Timer: {
        // Where no manager runs, or it has no such timer loaded, there is nothing to stop.
        if (needsRestart(name, enabled))
            (void)m_systemctl.run({ QStringLiteral("stop"), name + kTimerSuffix });
        if (const Result<> linked = linkTimerFiles(name, enabled); !linked)
            return linked;
        if (const Result<> told = tellManager(name, enabled); !told)
            return failed(QStringLiteral("the timer %1 is %2, but the user manager did not %3 it: %4")
                              .arg(name, enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"),
                                  enabled ? QStringLiteral("start") : QStringLiteral("stop"), told.failure().message));
        return {};
    }
    case Kind::Autostart:
        return setEntryEnabled(name, enabled);
    case Kind::Foreign:
        return notOurs(name);
    case Kind::None:
        break;
    }
    return notFound(QStringLiteral("no task %1").arg(name));
}

bool SystemdTaskService::needsRestart(const QString &name, bool enabled) const
{
    // Runs missed while it was disabled are not made up for: its stamp starts afresh.
    return enabled && !isLinked(name);
}

Result<> SystemdTaskService::linkTimerFiles(const QString &name, bool enabled)
{
    if (enabled && !isPresent(timerPath(name)))
        return failed(QStringLiteral("the timer %1 is missing").arg(timerPath(name)));
    if (needsRestart(name, enabled)) {
        const std::optional<UnitFile> timer = UnitFile::load(timerPath(name), UnitFile::Syntax::Unit);
        const bool persistent = timer && TimerUnits::decompose(*timer, std::nullopt).settings.startWhenAvailable;
        if (const Result<> stamped = restartStamp(name, persistent); !stamped)
            return stamped;
    }
    if (const Result<> linked = linkTimer(name, enabled); !linked)
        return failed(
            QStringLiteral("the timer %1 could not be %2: %3")
                .arg(name, enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"), linked.failure().message));
    return {};
}

Result<> SystemdTaskService::setEntryEnabled(const QString &name, bool enabled)
{
    std::optional<UnitFile> entry = UnitFile::load(entryPath(name), UnitFile::Syntax::Desktop);
    if (!entry)
        return failed(QStringLiteral("%1 cannot be read").arg(entryPath(name)));
    AutostartEntry::setEnabled(*entry, enabled);
    return writeText(entryPath(name), entry->toText());
}

TaskService::BatchOutcome SystemdTaskService::deleteTasks(const QStringList &names)
{
    BatchOutcome outcome;
    const Result<DataLock> lock = DataLock::acquire();
    if (!lock) {
        outcome.stopped = lock.failure();
        return outcome;
    }
    // What can be removed, up to the first task that is not this program's.
    QList<std::pair<QString, Kind>> tasks;
    QStringList timers;
    for (const QString &name : names) {
        const Kind kind = kindOf(name);
        if (kind == Kind::Foreign) {
            outcome.stopped = notOurs(name);
            break;
        }
        tasks.append({ name, kind });
        if (kind == Kind::Timer)
            timers.append(name + kTimerSuffix);
    }
    // Stopped while their units are there, since a manager keeps a running timer whose files are
    // gone; where no manager runs, or it has none of them loaded, there is nothing to stop.
    if (!timers.isEmpty())
        (void)m_systemctl.run(QStringList { QStringLiteral("stop") } + timers);
    for (const auto &[name, kind] : std::as_const(tasks)) {
        const Result<> removed = kind == Kind::Timer ? removeTimerFiles(name)
            : kind == Kind::Autostart                ? remove(name, kind)
                                                     : Result<>();
        if (!removed) {
            outcome.stopped = removed;
            break;
        }
        outcome.done.append(name);
    }
    // The manager forgets the units whose files are gone.
    if (!timers.isEmpty())
        (void)m_systemctl.run({ QStringLiteral("daemon-reload") });
    return outcome;
}

TaskService::BatchOutcome SystemdTaskService::setTasksEnabled(const QStringList &names, bool enabled)
{
    BatchOutcome outcome;
    const Result<DataLock> lock = DataLock::acquire();
    if (!lock) {
        outcome.stopped = lock.failure();
        return outcome;
    }
    // Which tasks can be changed, up to the first that cannot.
    QList<std::pair<QString, Kind>> tasks;
    QStringList restarted;
    for (const QString &name : names) {
        const Kind kind = kindOf(name);
        if (kind == Kind::Foreign || kind == Kind::None) {
            outcome.stopped = kind == Kind::Foreign ? notOurs(name) : notFound(QStringLiteral("no task %1").arg(name));
            break;
        }
        tasks.append({ name, kind });
        if (kind == Kind::Timer && needsRestart(name, enabled))
            restarted.append(name + kTimerSuffix);
    }
    // Timers to be enabled again stop before their stamps start afresh; where no manager runs,
    // or it has none of them loaded, there is nothing to stop.
    if (!restarted.isEmpty())
        (void)m_systemctl.run(QStringList { QStringLiteral("stop") } + restarted);
    QStringList timers;
    for (const auto &[name, kind] : std::as_const(tasks)) {
        const Result<> changed = kind == Kind::Timer ? linkTimerFiles(name, enabled) : setEntryEnabled(name, enabled);
        if (!changed) {
            outcome.stopped = changed;
            break;
        }
        outcome.done.append(name);
        if (kind == Kind::Timer)
            timers.append(name);
    }
    if (timers.isEmpty())
        return outcome;
    if (const Result<> told = tellManager(timers, enabled); !told && outcome.stopped)
        outcome.stopped
            = failed(QStringLiteral("the timers %1 are %2, but the user manager did not %3 them: %4")
                         .arg(timers.join(QStringLiteral(", ")),
                             enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"),
                             enabled ? QStringLiteral("start") : QStringLiteral("stop"), told.failure().message));
    return outcome;
}

bool SystemdTaskService::isLinked(const QString &name) const
{
    const QFileInfo info(wantsLinkPath(name));
    return info.isSymLink() && info.symLinkTarget() == timerPath(name);
}

Result<> SystemdTaskService::linkTimer(const QString &name, bool wanted) const
{
    const QString link = wantsLinkPath(name);
    if (wanted && isLinked(name))
        return {};
    if (QFile old(link); isPresent(link) && !old.remove())
        return failed(QStringLiteral("%1 could not be removed: %2").arg(link, old.errorString()));
    if (!wanted)
        return {};
    if (!QDir().mkpath(QFileInfo(link).absolutePath()))
        return failed(QStringLiteral("the folder %1 could not be made").arg(QFileInfo(link).absolutePath()));
    if (QFile timer(timerPath(name)); !timer.link(link))
        return failed(QStringLiteral("%1 could not be linked to: %2").arg(link, timer.errorString()));
    return {};
}

Result<> SystemdTaskService::restartStamp(const QString &name, bool persistent) const
{
    // systemd takes the stamp's modification time as the last run. Whatever is there goes first, so
    // the new file is a plain one (never a FIFO or a link followed elsewhere).
    const QString path = stampPath(name);
    if (!removeIfPresent(path))
        return failed(QStringLiteral("the timer stamp %1 could not be removed").arg(path));
    if (!persistent)
        return {};
    QFile stamp(path);
    // At a whole second: see stampedRun().
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    if (!QDir().mkpath(m_stampFolder) || !stamp.open(QIODevice::WriteOnly | QIODevice::NewOnly)
        || !stamp.setFileTime(now, QFileDevice::FileModificationTime)) {
        return failed(QStringLiteral("the timer stamp %1 could not be written: %2").arg(path, stamp.errorString()));
    }
    return {};
}

Result<> SystemdTaskService::tellManager(const QString &name, bool running) const
{
    // No manager answers (none runs, as on a machine without a session of systemd): the files
    // are what counts, and a manager that starts later reads them.
    if (!m_systemctl.run({ QStringLiteral("daemon-reload") }))
        return {};
    return m_systemctl.run({ running ? QStringLiteral("start") : QStringLiteral("stop"), name + kTimerSuffix });
}

Result<> SystemdTaskService::tellManager(const QStringList &names, bool running) const
{
    // As for one timer: without a manager that answers, the files are what counts.
    if (!m_systemctl.run({ QStringLiteral("daemon-reload") }))
        return {};
    QStringList arguments { running ? QStringLiteral("start") : QStringLiteral("stop") };
    for (const QString &name : names)
        arguments.append(name + kTimerSuffix);
    return m_systemctl.run(arguments);
}

QHash<QString, TaskRunTimes> SystemdTaskService::readRunTimes(const QStringList &names) const
{
    QHash<QString, TaskRunTimes> times;
    QStringList units;
    for (const QString &name : names) {
        if (!isFileName(name) || !isPresent(timerPath(name)))
            continue;
        TaskRunTimes &task = times[name];
        task.last = stampedRun(stampPath(name));
        units << name + kTimerSuffix << name + kServiceSuffix;
    }
    if (units.isEmpty())
        return times;
    const Result<QString> shown
        = m_systemctl.read(QStringList { QStringLiteral("show"),
                               QStringLiteral("--property=Id,LoadState,NextElapseUSecRealtime,"
                                              "LastTriggerUSec,LastTriggerUSecMonotonic,Result") }
            + units);
    if (!shown)
        return times; // no manager answers: what the stamps say
    const QHash<QString, QHash<QString, QString>> blocks = unitBlocks(*shown);
    for (auto it = times.begin(); it != times.end(); ++it) {
        const QHash<QString, QString> timer = blocks.value(it.key() + kTimerSuffix);
        if (timer.value(QStringLiteral("LoadState")) != u"loaded")
            continue; // written, but the manager has not read it: it knows nothing yet
        TaskRunTimes &task = it.value();
        task.serviceAnswered = true;
        task.next = parseUtcTimestamp(timer.value(QStringLiteral("NextElapseUSecRealtime")));
        const QString monotonic = timer.value(QStringLiteral("LastTriggerUSecMonotonic"));
        const bool seenRunning = !monotonic.isEmpty() && monotonic != u"0" && monotonic != u"n/a";
        if (const std::optional<QDateTime> last = parseUtcTimestamp(timer.value(QStringLiteral("LastTriggerUSec")));
            last && seenRunning)
            task.last = last;
        if (task.last)
            task.lastResult = blocks.value(it.key() + kServiceSuffix).value(QStringLiteral("Result"));
    }
    return times;
}

bool SystemdTaskService::canWakeSystem() const
{
    // The same call systemd makes for WakeSystem=; it fails with EPERM without CAP_WAKE_ALARM.
    const int alarm = timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC | TFD_NONBLOCK);
    if (alarm < 0)
        return false;
    ::close(alarm);
    return true;
}
