#include "SchemeStore.h"

#include "AtomicFile.h"
#include "Guid.h"
#include "PowerSettings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QMetaMethod>
#include <QSet>
#include <QTimer>
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
    return [section = guidToText(scheme), key, value](IniFile &ini, const auto &) {
        if (!ini.hasSection(section))
            return PowerStatus::NotFound;
        return ini.setValue(section, key, value) ? PowerStatus::Ok : PowerStatus::Failed;
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
        QUuid guid;
        if (textToGuid(name, &guid) && !guid.isNull() && !seen.contains(guid)) {
            seen.insert(guid);
            snapshot.schemes.append(guid);
        }
    }
    textToGuid(ini.value(kStoreSection, kActiveKey), &snapshot.active);
    snapshot.ini = std::move(ini);
    return snapshot;
}

QString SchemeStore::Snapshot::problem() const
{
    if (ini.readFailed())
        return QStringLiteral("it could not be opened");
    if (ini.hasEncodingError())
        return QStringLiteral("it is not valid UTF-8 text");
    if (!ini.malformedLines().isEmpty())
        return QStringLiteral("line %1 is not an entry").arg(ini.malformedLines().constFirst());
    const QString activeText = ini.value(kStoreSection, kActiveKey);
    if (activeText.isEmpty())
        return QStringLiteral("it names no active plan");
    if (active.isNull() || !schemes.contains(active))
        return QStringLiteral("its active plan %1 is not one of its plans").arg(activeText);
    return {};
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

PowerStatus SchemeStore::enumerateScheme(int index, QUuid *scheme) const
{
    return read([&](const Snapshot &current) {
        if (index < 0 || index >= current.schemes.size())
            return PowerStatus::NoMoreItems;
        *scheme = current.schemes.at(index);
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::readFriendlyName(const QUuid &scheme, QString *name) const
{
    return read([&](const Snapshot &current) {
        const QString section = guidToText(scheme);
        if (!current.ini.contains(section, kNameKey))
            return PowerStatus::NotFound;
        *name = current.ini.value(section, kNameKey);
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::readDescription(const QUuid &scheme, QString *description) const
{
    return read([&](const Snapshot &current) {
        const QString section = guidToText(scheme);
        if (!current.ini.hasSection(section))
            return PowerStatus::NotFound;
        *description = current.ini.value(section, kDescriptionKey);
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::activeScheme(QUuid *scheme) const
{
    return read([&](const Snapshot &current) {
        *scheme = current.active;
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::setActiveScheme(const QUuid &scheme)
{
    QUuid active;
    if (activeScheme(&active) == PowerStatus::Ok && active == scheme)
        return PowerStatus::Ok; // nothing to write, so no change to report either
    return modify([&](IniFile &ini, const Snapshot &current) {
        if (!current.schemes.contains(scheme))
            return PowerStatus::NotFound;
        ini.setValue(kStoreSection, kActiveKey, guidToText(scheme));
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::duplicateScheme(const QUuid &source, QUuid *created)
{
    const QUuid fresh = QUuid::createUuid();
    const PowerStatus status = modify([&](IniFile &ini, const Snapshot &) {
        const QString from = guidToText(source);
        const QStringList keys = ini.keys(from);
        if (keys.isEmpty())
            return PowerStatus::NotFound;
        const QString to = guidToText(fresh);
        for (const QString &key : keys)
            ini.setValue(to, key, ini.value(from, key));
        return PowerStatus::Ok;
    });
    if (status == PowerStatus::Ok)
        *created = fresh;
    return status;
}

PowerStatus SchemeStore::deleteScheme(const QUuid &scheme)
{
    return modify([&](IniFile &ini, const Snapshot &current) {
        if (scheme == current.active)
            return PowerStatus::Failed;
        const QString section = guidToText(scheme);
        if (!ini.hasSection(section))
            return PowerStatus::NotFound;
        // A repeated section would otherwise come back to life.
        while (ini.removeSection(section)) { }
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::writeFriendlyName(const QUuid &scheme, const QString &name)
{
    return modify(setSchemeKey(scheme, kNameKey, name));
}

PowerStatus SchemeStore::writeDescription(const QUuid &scheme, const QString &description)
{
    return modify(setSchemeKey(scheme, kDescriptionKey, description));
}

PowerStatus SchemeStore::readValueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 *value) const
{
    return read([&](const Snapshot &current) {
        bool ok = false;
        const quint32 stored = current.ini.value(guidToText(scheme), valueKey(source, subgroup, setting)).toUInt(&ok);
        if (!ok)
            return PowerStatus::NotFound;
        *value = stored;
        return PowerStatus::Ok;
    });
}

PowerStatus SchemeStore::writeValueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value)
{
    return modify(setSchemeKey(scheme, valueKey(source, subgroup, setting), QString::number(value)));
}

template <typename Read> PowerStatus SchemeStore::read(Read reader) const
{
    QMutexLocker locker(&m_mutex);
    if (!refresh(Lock::NotHeld))
        return PowerStatus::Failed;
    return reader(std::as_const(m_snapshot));
}

PowerStatus SchemeStore::modify(const Change &change)
{
    QMutexLocker locker(&m_mutex);
    QLockFile lockFile(m_path + QStringLiteral(".lock"));
    if (!acquire(lockFile) || !refresh(Lock::Held))
        return PowerStatus::Failed;
    IniFile edited = m_snapshot.ini;
    const PowerStatus status = change(edited, std::as_const(m_snapshot));
    if (status != PowerStatus::Ok)
        return status;
    if (!edited.save(m_path))
        return PowerStatus::Failed;
    adoptWritten(Snapshot::from(std::move(edited)));
    return PowerStatus::Ok;
}

bool SchemeStore::acquire(QLockFile &lockFile) const
{
    lockFile.setStaleLockTime(kStaleLockTime);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const QDeadlineTimer deadline(kLockWait);
    while (!lockFile.tryLock(kLockSlice)) {
        if (deadline.hasExpired() || lockFile.error() != QLockFile::LockFailedError) {
            qWarning().noquote()
                << QStringLiteral("ampora: the plan store %1 could not be locked for a change").arg(m_path);
            return false;
        }
    }
    return true;
}

bool SchemeStore::refresh(Lock lock) const
{
    const FileStamp stamp = FileStamp::of(m_path);
    if (m_loaded && stamp == m_stamp)
        return m_usable;
    if (stamp.exists) {
        Snapshot snapshot = Snapshot::from(IniFile::load(m_path));
        const QString problem = snapshot.problem();
        if (problem.isEmpty()) {
            // A replace between stat and load only makes the next call read the file again.
            adopt(std::move(snapshot), stamp);
            return true;
        }
        if (lock == Lock::Held)
            return replaceUnusable(problem);
    } else if (lock == Lock::Held) {
        return writeSeed();
    }
    // Creating or repairing the file is a change: take the lock and look again, since another
    // process may have done it meanwhile.
    QLockFile lockFile(m_path + QStringLiteral(".lock"));
    return acquire(lockFile) && refresh(Lock::Held);
}

bool SchemeStore::replaceUnusable(const QString &problem) const
{
    const QString keptAs = AtomicFile::setAside(m_path);
    if (keptAs.isEmpty()) {
        qWarning().noquote() << QStringLiteral(
            "ampora: the plan store %1 could not be read (%2) and could not be moved "
            "aside; no plans are available until it is repaired")
                                    .arg(m_path, problem);
        markUnusable();
        return false;
    }
    qWarning().noquote() << QStringLiteral("ampora: the plan store %1 could not be read (%2); it was kept as %3 and a "
                                           "fresh store was created")
                                .arg(m_path, problem, keptAs);
    return writeSeed();
}

bool SchemeStore::writeSeed() const
{
    IniFile seed = seedDocument();
    if (!seed.save(m_path)) {
        qWarning().noquote() << QStringLiteral("ampora: the plan store %1 could not be created").arg(m_path);
        markUnusable();
        return false;
    }
    adoptWritten(Snapshot::from(std::move(seed)));
    return true;
}

void SchemeStore::adopt(Snapshot snapshot, const FileStamp &stamp) const
{
    m_snapshot = std::move(snapshot);
    m_stamp = stamp;
    m_loaded = true;
    m_usable = true;
}

void SchemeStore::adoptWritten(Snapshot snapshot) const
{
    // Called with the lock held, so the file on disk is the version just written.
    adopt(std::move(snapshot), FileStamp::of(m_path));
}

void SchemeStore::markUnusable() const
{
    // Remembering the broken version keeps every later call from retrying and warning again.
    m_stamp = FileStamp::of(m_path);
    m_loaded = true;
    m_usable = false;
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
