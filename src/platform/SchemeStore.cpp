#include "SchemeStore.h"

#include "AtomicFile.h"
#include "Guid.h"
#include "PowerSettings.h"
#include "UserReport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QMetaMethod>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

const QString kStoreSection = QStringLiteral("Store");
const QString kActiveKey = QStringLiteral("Active");
const QString kNameKey = QStringLiteral("Name");
const QString kDescriptionKey = QStringLiteral("Description");

// A writer holds the lock for milliseconds; one that has kept it this long has hung. (A holder
// that died is noticed at once by its process id.)
constexpr auto kStaleLockTime = 10s;
constexpr auto kLockWait = 5s;
// QLockFile backs off from 100 ms upwards; short slices keep two busy writers from idling.
constexpr auto kLockSlice = 10ms;
// One atomic replace arrives as several folder and file events.
constexpr auto kSettleTime = 100ms;

constexpr char kSeedHeader[] = "; Ampora power plans. [Store] names the active plan; every other section is one plan,\n"
                               "; named by its GUID, with its values plugged in (AC) and on battery (DC).\n";

QString valueKey(PowerSource source, const QUuid &subgroup, const QUuid &setting)
{
    const QString prefix = source == PowerSource::Ac ? QStringLiteral("AC/") : QStringLiteral("DC/");
    return prefix + guidToText(subgroup) + u'/' + guidToText(setting);
}

IniFile seedDocument()
{
    IniFile ini = IniFile::fromBytes(QByteArray(kSeedHeader));
    ini.setValue(kStoreSection, kActiveKey, guidToText(defaultPlans().front().guid));
    for (const DefaultPlan &plan : defaultPlans()) {
        const QString section = guidToText(plan.guid);
        ini.setValue(section, kNameKey, plan.name.toString());
        ini.setValue(section, kDescriptionKey, plan.description.toString());
        for (const PowerSettingRow &row : powerSettingRows()) {
            const SeedValues &values = row.*plan.values;
            ini.setValue(section, valueKey(PowerSource::Ac, row.subgroup, row.setting), QString::number(values.ac));
            ini.setValue(section, valueKey(PowerSource::Dc, row.subgroup, row.setting), QString::number(values.dc));
        }
    }
    return ini;
}

// A change that sets one key of an existing scheme.
auto setSchemeKey(const QUuid &scheme, const QString &key, const QString &value)
{
    return [section = guidToText(scheme), key, value](IniFile &ini, const auto &) -> Result<> {
        if (!ini.hasSection(section))
            return notFound(QStringLiteral("no power plan %1").arg(section));
        if (!ini.setValue(section, key, value))
            return invalid(QStringLiteral("a plan's texts cannot hold line breaks or NUL characters"));
        return {};
    };
}

} // namespace

SchemeStore::FileStamp SchemeStore::FileStamp::of(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    constexpr qint64 nsPerSecond = 1'000'000'000;
    return { true, quint64(info.st_ino), qint64(info.st_size), info.st_mtim.tv_sec * nsPerSecond + info.st_mtim.tv_nsec,
        info.st_ctim.tv_sec * nsPerSecond + info.st_ctim.tv_nsec };
}

SchemeStore::Snapshot SchemeStore::Snapshot::from(IniFile ini)
{
    Snapshot snapshot;
    QSet<QUuid> seen;
    for (const QString &name : ini.sectionNames()) {
        const std::optional<QUuid> guid = textToGuid(name);
        if (guid && !guid->isNull() && !seen.contains(*guid)) {
            seen.insert(*guid);
            snapshot.schemes.append(*guid);
        }
    }
    snapshot.active = textToGuid(ini.value(kStoreSection, kActiveKey)).value_or(QUuid());
    snapshot.ini = std::move(ini);
    return snapshot;
}

QString SchemeStore::Snapshot::problem() const
{
    if (ini.hasEncodingError())
        return QStringLiteral("it is not valid UTF-8 text");
    if (!ini.malformedLines().isEmpty())
        return QStringLiteral("line %1 is not an entry").arg(ini.malformedLines().constFirst());
    if (schemes.isEmpty())
        return QStringLiteral("it holds no plans");
    const QString activeText = ini.value(kStoreSection, kActiveKey);
    if (activeText.isEmpty())
        return QStringLiteral("it names no active plan");
    if (active.isNull() || !schemes.contains(active))
        return QStringLiteral("its active plan %1 is not one of its plans").arg(activeText);
    return {};
}

SchemeStore::Snapshot SchemeStore::Snapshot::salvaged() const
{
    if (schemes.isEmpty())
        return from(seedDocument());
    // Rebuilt key by key, so lines that are no entry stay behind in the copy set aside, and so do
    // values no line can hold (NUL) and plans left without a key: the active plan must be one
    // that made it, or the repaired file would be damaged again.
    IniFile repaired = IniFile::fromBytes(QByteArray(kSeedHeader));
    repaired.setValue(kStoreSection, kActiveKey, guidToText(schemes.contains(active) ? active : schemes.constFirst()));
    for (const QUuid &scheme : schemes) {
        const QString section = guidToText(scheme);
        for (const QString &key : ini.keys(section))
            repaired.setValue(section, key, ini.value(section, key));
    }
    Snapshot rebuilt = from(std::move(repaired));
    if (rebuilt.schemes.isEmpty())
        return from(seedDocument());
    if (!rebuilt.schemes.contains(rebuilt.active)) {
        rebuilt.active = rebuilt.schemes.constFirst();
        rebuilt.ini.setValue(kStoreSection, kActiveKey, guidToText(rebuilt.active));
    }
    return rebuilt;
}

SchemeStore::SchemeStore(const QString &path, QObject *parent)
    : PowerPlatform(parent)
    , m_path(path)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
}

void SchemeStore::connectNotify(const QMetaMethod &signal)
{
    // Only a listener needs the watch; a scheduled switch that ends at once never pays for it.
    if (signal == QMetaMethod::fromSignal(&PowerPlatform::schemesChanged) && !m_watcher)
        startWatching();
}

void SchemeStore::startWatching()
{
    m_watcher = new QFileSystemWatcher(this);
    m_debounce = new QTimer(this);
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(kSettleTime);
    connect(m_debounce, &QTimer::timeout, this, &SchemeStore::reportChange);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SchemeStore::noteFileEvent);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SchemeStore::noteFileEvent);
    // The folder watch sees atomic replaces and creation; the file watch sees edits in place.
    m_watcher->addPath(QFileInfo(m_path).absolutePath());
    watchFile();
    m_reportedStamp = FileStamp::of(m_path);
}

Result<QList<QUuid>> SchemeStore::schemes() const
{
    return read<QList<QUuid>>([](const Snapshot &current) -> Result<QList<QUuid>> { return current.schemes; });
}

Result<QString> SchemeStore::friendlyName(const QUuid &scheme) const
{
    return read<QString>([&](const Snapshot &current) -> Result<QString> {
        if (!current.schemes.contains(scheme))
            return missingScheme(scheme);
        const QString section = guidToText(scheme);
        if (!current.ini.contains(section, kNameKey))
            return failed(QStringLiteral("the power plan %1 has no name").arg(section));
        return current.ini.value(section, kNameKey);
    });
}

Result<QString> SchemeStore::description(const QUuid &scheme) const
{
    return read<QString>([&](const Snapshot &current) -> Result<QString> {
        if (!current.schemes.contains(scheme))
            return missingScheme(scheme);
        return current.ini.value(guidToText(scheme), kDescriptionKey);
    });
}

Result<QUuid> SchemeStore::activeScheme() const
{
    return read<QUuid>([](const Snapshot &current) -> Result<QUuid> { return current.active; });
}

Result<> SchemeStore::setActiveScheme(const QUuid &scheme)
{
    const Result<QUuid> active = activeScheme();
    if (active && *active == scheme)
        return {}; // nothing to write, so no change to report either
    return modify([&](IniFile &ini, const Snapshot &current) -> Result<> {
        if (!current.schemes.contains(scheme))
            return missingScheme(scheme);
        ini.setValue(kStoreSection, kActiveKey, guidToText(scheme));
        return {};
    });
}

Result<QUuid> SchemeStore::duplicateScheme(const QUuid &source)
{
    const QUuid fresh = QUuid::createUuid();
    const Result<> copied = modify([&](IniFile &ini, const Snapshot &current) -> Result<> {
        if (!current.schemes.contains(source))
            return missingScheme(source);
        const QString from = guidToText(source);
        const QString to = guidToText(fresh);
        for (const QString &key : ini.keys(from)) {
            if (!ini.setValue(to, key, ini.value(from, key)))
                return invalid(QStringLiteral("the power plan %1 holds a value that cannot be copied").arg(from));
        }
        return {};
    });
    if (!copied)
        return copied.failure();
    return fresh;
}

Result<> SchemeStore::deleteScheme(const QUuid &scheme)
{
    return modify([&](IniFile &ini, const Snapshot &current) -> Result<> {
        if (scheme == current.active)
            return invalid(QStringLiteral("the active power plan cannot be deleted"));
        if (!current.schemes.contains(scheme))
            return missingScheme(scheme);
        // A repeated section would otherwise come back to life.
        const QString section = guidToText(scheme);
        while (ini.removeSection(section)) { }
        return {};
    });
}

Result<> SchemeStore::writeFriendlyName(const QUuid &scheme, const QString &name)
{
    return modify(setSchemeKey(scheme, kNameKey, name));
}

Result<> SchemeStore::writeDescription(const QUuid &scheme, const QString &description)
{
    return modify(setSchemeKey(scheme, kDescriptionKey, description));
}

Result<quint32> SchemeStore::valueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting) const
{
    return read<quint32>([&](const Snapshot &current) -> Result<quint32> {
        if (!current.schemes.contains(scheme))
            return missingScheme(scheme);
        bool ok = false;
        const quint32 stored = current.ini.value(guidToText(scheme), valueKey(source, subgroup, setting)).toUInt(&ok);
        if (!ok)
            return notFound(QStringLiteral("the power plan %1 has no such value").arg(guidToText(scheme)));
        return stored;
    });
}

Result<> SchemeStore::writeValueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value)
{
    return modify(setSchemeKey(scheme, valueKey(source, subgroup, setting), QString::number(value)));
}

template <typename T, typename Read> Result<T> SchemeStore::read(Read reader) const
{
    QMutexLocker locker(&m_mutex);
    if (const Result<> usable = refresh(Lock::NotHeld); !usable)
        return usable.failure();
    return reader(std::as_const(m_snapshot));
}

Result<> SchemeStore::modify(const Change &change)
{
    QMutexLocker locker(&m_mutex);
    QLockFile lockFile(m_path + QStringLiteral(".lock"));
    if (const Result<> locked = acquire(lockFile); !locked)
        return locked;
    if (const Result<> usable = refresh(Lock::Held); !usable)
        return usable;
    if (m_state == State::Salvaged) {
        // The folder may have been repaired since: try to set the damaged file aside again.
        m_loaded = false;
        if (const Result<> usable = refresh(Lock::Held); !usable || m_state == State::Salvaged)
            return unavailable();
    }
    IniFile edited = m_snapshot.ini;
    if (const Result<> changed = change(edited, std::as_const(m_snapshot)); !changed)
        return changed;
    if (const Result<> saved = edited.save(m_path); !saved)
        return saved;
    adopt(Snapshot::from(std::move(edited)), FileStamp::of(m_path), State::Clean);
    return {};
}

Result<> SchemeStore::acquire(QLockFile &lockFile) const
{
    lockFile.setStaleLockTime(kStaleLockTime);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const QDeadlineTimer deadline(kLockWait);
    while (!lockFile.tryLock(kLockSlice)) {
        if (deadline.hasExpired() || lockFile.error() != QLockFile::LockFailedError)
            return failed(QStringLiteral("the plan store %1 could not be locked for a change").arg(m_path));
    }
    return {};
}

Result<> SchemeStore::refresh(Lock lock) const
{
    const FileStamp stamp = FileStamp::of(m_path);
    if (m_loaded && stamp == m_stamp)
        return m_state == State::Unreadable ? Result<>(unavailable()) : Result<>();
    if (stamp.exists) {
        const IniFile ini = IniFile::load(m_path);
        if (ini.readFailed())
            return markUnusable(ini.readError());
        Snapshot snapshot = Snapshot::from(ini);
        const QString problem = snapshot.problem();
        if (problem.isEmpty()) {
            // A replace between stat and load only makes the next call read the file again.
            adopt(std::move(snapshot), stamp, State::Clean);
            return {};
        }
        if (lock == Lock::Held)
            return repair(snapshot, problem);
    } else if (lock == Lock::Held) {
        return writeSeed();
    }
    // Creating or repairing the file is a change: take the lock and look again, since another
    // process may have done it meanwhile.
    QLockFile lockFile(m_path + QStringLiteral(".lock"));
    if (const Result<> locked = acquire(lockFile); !locked)
        return locked;
    return refresh(Lock::Held);
}

Result<> SchemeStore::repair(const Snapshot &damaged, const QString &problem) const
{
    Snapshot salvaged = damaged.salvaged();
    const qsizetype kept = std::count_if(salvaged.schemes.cbegin(), salvaged.schemes.cend(),
        [&](const QUuid &scheme) { return damaged.schemes.contains(scheme); });
    const QString keptAs = AtomicFile::setAside(m_path);
    if (keptAs.isEmpty()) {
        reportToUser(QStringLiteral("ampora: the plan store %1 is damaged (%2) and could not be moved aside; its %3 "
                                    "readable plans are shown, and no change is made until it is repaired")
                         .arg(m_path, problem)
                         .arg(kept));
        m_unusableWhy = QStringLiteral("it is damaged (%1) and could not be moved aside").arg(problem);
        adopt(std::move(salvaged), FileStamp::of(m_path), State::Salvaged);
        return {};
    }
    reportToUser(QStringLiteral(
        "ampora: the plan store %1 was damaged (%2); it was kept as %3 and its %4 readable plans were saved")
                     .arg(m_path, problem, keptAs)
                     .arg(kept));
    if (const Result<> saved = salvaged.ini.save(m_path); !saved)
        return markUnusable(saved.failure().message);
    adopt(std::move(salvaged), FileStamp::of(m_path), State::Clean);
    return {};
}

Result<> SchemeStore::writeSeed() const
{
    IniFile seed = seedDocument();
    if (const Result<> saved = seed.save(m_path); !saved)
        return markUnusable(saved.failure().message);
    adopt(Snapshot::from(std::move(seed)), FileStamp::of(m_path), State::Clean);
    return {};
}

void SchemeStore::adopt(Snapshot snapshot, const FileStamp &stamp, State state) const
{
    m_snapshot = std::move(snapshot);
    m_stamp = stamp;
    m_loaded = true;
    m_state = state;
}

Result<> SchemeStore::markUnusable(const QString &why) const
{
    // Remembering the broken version keeps every later call from retrying and warning again.
    reportToUser(QStringLiteral("ampora: the plan store %1 cannot be used: %2").arg(m_path, why));
    m_stamp = FileStamp::of(m_path);
    m_loaded = true;
    m_state = State::Unreadable;
    m_unusableWhy = why;
    return unavailable();
}

Failure SchemeStore::unavailable() const
{
    return failed(QStringLiteral("the plan store %1 cannot be used: %2").arg(m_path, m_unusableWhy));
}

Failure SchemeStore::missingScheme(const QUuid &scheme) const
{
    // A plan missing from a damaged file may be one that could not be read.
    if (m_state != State::Clean)
        return failed(
            QStringLiteral("the power plan %1 is not in the damaged plan store %2").arg(guidToText(scheme), m_path));
    return notFound(QStringLiteral("no power plan %1").arg(guidToText(scheme)));
}

void SchemeStore::watchFile()
{
    if (!m_watcher->files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher->addPath(m_path);
}

void SchemeStore::noteFileEvent()
{
    // A replaced file drops out of the watch; the new one has to be added again.
    watchFile();
    m_debounce->start();
}

void SchemeStore::reportChange()
{
    const FileStamp stamp = FileStamp::of(m_path);
    if (stamp == m_reportedStamp)
        return;
    m_reportedStamp = stamp;
    Q_EMIT schemesChanged();
}
