#include "SystemdTaskService.h"

#include "AtomicFile.h"
#include "AutostartEntry.h"
#include "TimerUnits.h"
#include "UnitFile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace {

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

// A file about to be replaced that cannot be read is moved aside rather than lost.
void keepIfUnreadable(const QString &path, UnitFile::Syntax syntax)
{
    if (QFileInfo(path).isFile() && !UnitFile::load(path, syntax))
        AtomicFile::setAside(path);
}

// A unit or entry that is there but cannot be read (not a regular file, too large, not UTF-8) is
// listed as unreadable, with one line on stderr saying which and why.
std::optional<UnitFile> loadForListing(const QString &path, UnitFile::Syntax syntax)
{
    Result<UnitFile> file = UnitFile::read(path, syntax);
    if (!file && !file.failedWith(Failure::Kind::NotFound))
        qWarning().noquote() << QStringLiteral("ampora: skipped %1").arg(file.failure().message);
    return file ? std::optional<UnitFile>(std::move(file.value())) : std::nullopt;
}

QStringList sortedFiles(const QDir &dir, const QString &suffix)
{
    QStringList files = dir.entryList({ u'*' + suffix }, QDir::Files | QDir::System);
    std::sort(files.begin(), files.end());
    return files;
}

bool writeText(const QString &path, const QString &text)
{
    return AtomicFile::write(path, text.toUtf8()).ok();
}

} // namespace

SystemdTaskService::SystemdTaskService(QString unitFolder, QString autostartFolder, SystemctlRunner systemctl)
    : m_unitFolder(QDir(unitFolder).absolutePath())
    , m_autostartFolder(QDir(autostartFolder).absolutePath())
    , m_systemctl(systemctl)
{
}

QString SystemdTaskService::defaultUnitFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/systemd/user");
}

QString SystemdTaskService::defaultAutostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
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

SystemdTaskService::Kind SystemdTaskService::kindOf(const QString &name) const
{
    if (!isFileName(name))
        return Kind::None;
    if (isPresent(timerPath(name)))
        return Kind::Timer;
    const std::optional<UnitFile> entry = UnitFile::load(entryPath(name), UnitFile::Syntax::Desktop);
    return entry && AutostartEntry::isTask(*entry) ? Kind::Autostart : Kind::None;
}

TaskService::Status SystemdTaskService::readTasks(QList<RegisteredTask> *tasks) const
{
    QList<RegisteredTask> found;
    if (!readTimers(&found) || !readEntries(&found))
        return Status::Failed;
    *tasks = found;
    return Status::Ok;
}

bool SystemdTaskService::readTimers(QList<RegisteredTask> *tasks) const
{
    const QDir dir(m_unitFolder);
    if (!dir.exists())
        return true;
    if (!QFileInfo(m_unitFolder).isReadable())
        return false;
    for (const QString &file : sortedFiles(dir, kTimerSuffix)) {
        RegisteredTask task;
        task.name = file.chopped(kTimerSuffix.size());
        task.enabled = isPresent(wantsLinkPath(task.name));
        if (const std::optional<UnitFile> timer = loadForListing(dir.filePath(file), UnitFile::Syntax::Unit)) {
            task.definition
                = TimerUnits::decompose(*timer, loadForListing(servicePath(task.name), UnitFile::Syntax::Unit));
        }
        tasks->append(task);
    }
    return true;
}

bool SystemdTaskService::readEntries(QList<RegisteredTask> *tasks) const
{
    const QDir dir(m_autostartFolder);
    if (!dir.exists())
        return true;
    if (!QFileInfo(m_autostartFolder).isReadable())
        return false;
    for (const QString &file : sortedFiles(dir, kEntrySuffix)) {
        const std::optional<UnitFile> entry = loadForListing(dir.filePath(file), UnitFile::Syntax::Desktop);
        if (!entry || !AutostartEntry::isTask(*entry))
            continue;
        tasks->append(RegisteredTask {
            file.chopped(kEntrySuffix.size()), AutostartEntry::isEnabled(*entry), AutostartEntry::decompose(*entry) });
    }
    return true;
}

TaskService::Status SystemdTaskService::registerTask(
    const QString &name, const TaskDefinition &definition, Registration mode)
{
    if (!isNewTaskName(name))
        return Status::Invalid;
    const Kind existing = kindOf(name);
    if (existing != Kind::None && mode == Registration::Create)
        return Status::AlreadyExists;
    const bool logon
        = !definition.triggers.isEmpty() && definition.triggers.constFirst().type == TaskDefinition::TriggerType::Logon;
    const Status status = logon ? writeEntry(name, definition) : writeTimer(name, definition);
    // A task that changed between timer and logon entry leaves nothing of its old form behind.
    const Kind written = logon ? Kind::Autostart : Kind::Timer;
    if (status == Status::Ok && existing != Kind::None && existing != written)
        return remove(name, existing);
    return status;
}

TaskService::Status SystemdTaskService::writeTimer(const QString &name, const TaskDefinition &definition)
{
    const std::optional<TimerUnits::Texts> texts = TimerUnits::compose(name, definition);
    if (!texts)
        return Status::Invalid;
    keepIfUnreadable(servicePath(name), UnitFile::Syntax::Unit);
    keepIfUnreadable(timerPath(name), UnitFile::Syntax::Unit);
    // The service first, so a timer never points at a missing or stale one.
    if (!writeText(servicePath(name), texts->service) || !writeText(timerPath(name), texts->timer)
        || !linkTimer(name, true)) {
        return Status::Failed;
    }
    tellManager(name, true);
    return Status::Ok;
}

TaskService::Status SystemdTaskService::writeEntry(const QString &name, const TaskDefinition &definition)
{
    const std::optional<QString> text = AutostartEntry::compose(definition);
    if (!text)
        return Status::Invalid;
    keepIfUnreadable(entryPath(name), UnitFile::Syntax::Desktop);
    return writeText(entryPath(name), *text) ? Status::Ok : Status::Failed;
}

TaskService::Status SystemdTaskService::deleteTask(const QString &name)
{
    const Kind kind = kindOf(name);
    return kind == Kind::None ? Status::NotFound : remove(name, kind);
}

TaskService::Status SystemdTaskService::remove(const QString &name, Kind kind)
{
    if (kind == Kind::Autostart)
        return removeIfPresent(entryPath(name)) ? Status::Ok : Status::Failed;
    m_systemctl.run({ QStringLiteral("stop"), name + kTimerSuffix });
    const bool removed
        = linkTimer(name, false) && removeIfPresent(timerPath(name)) && removeIfPresent(servicePath(name));
    m_systemctl.run({ QStringLiteral("daemon-reload") });
    return removed ? Status::Ok : Status::Failed;
}

TaskService::Status SystemdTaskService::setTaskEnabled(const QString &name, bool enabled)
{
    switch (kindOf(name)) {
    case Kind::Timer:
        if (!linkTimer(name, enabled))
            return Status::Failed;
        tellManager(name, enabled);
        return Status::Ok;
    case Kind::Autostart: {
        std::optional<UnitFile> entry = UnitFile::load(entryPath(name), UnitFile::Syntax::Desktop);
        if (!entry)
            return Status::Failed;
        AutostartEntry::setEnabled(*entry, enabled);
        return writeText(entryPath(name), entry->toText()) ? Status::Ok : Status::Failed;
    }
    case Kind::None:
        break;
    }
    return Status::NotFound;
}

bool SystemdTaskService::linkTimer(const QString &name, bool wanted) const
{
    const QString link = wantsLinkPath(name);
    if (!wanted)
        return removeIfPresent(link);
    const QFileInfo info(link);
    if (info.isSymLink() && info.symLinkTarget() == timerPath(name))
        return true;
    return removeIfPresent(link) && QDir().mkpath(info.absolutePath()) && QFile::link(timerPath(name), link);
}

void SystemdTaskService::tellManager(const QString &name, bool running) const
{
    if (m_systemctl.run({ QStringLiteral("daemon-reload") }))
        m_systemctl.run({ running ? QStringLiteral("start") : QStringLiteral("stop"), name + kTimerSuffix });
}
