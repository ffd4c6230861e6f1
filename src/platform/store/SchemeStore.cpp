// SPDX-License-Identifier: GPL-3.0-or-later
#include "SchemeStore.h"

#include "AtomicFile.h"
#include "FileLock.h"
#include "Guid.h"
#include "PlanEditing.h"
#include "PowerSettings.h"
#include "UserReport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMetaMethod>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <sys/stat.h>

using Guid::guidToText;
using Guid::textToGuid;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanDescription;
using PlanEditing::refusePlanName;
using PowerSettings::defaultPlans;
using PowerSettings::powerSettingRows;
using UserReport::reportToUser;

using namespace std::chrono_literals;

namespace {

const QString kStoreSection = QStringLiteral("Store");
const QString kActiveKey = QStringLiteral("Active");
// Says that Active names a system-wide plan, which may leave the system files without the user's
// store being damaged.
const QString kActiveIsSystemKey = QStringLiteral("ActiveIsSystemPlan");
const QString kTrue = QStringLiteral("true");
const QString kNameKey = QStringLiteral("Name");
const QString kDescriptionKey = QStringLiteral("Description");

// A writer holds the lock for milliseconds; one that has kept it this long has hung. (A holder
// that died lets go at once.)
constexpr auto kLockWait = 5s;
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
    // Every name and value here is the program's own (GUIDs, the default plans' texts, numbers),
    // none with a line break: nothing can be refused.
    (void)ini.setValue(kStoreSection, kActiveKey, guidToText(defaultPlans().front().guid));
    for (const DefaultPlan &plan : defaultPlans()) {
        const QString section = guidToText(plan.guid);
        (void)ini.setValue(section, kNameKey, plan.name.toString());
        (void)ini.setValue(section, kDescriptionKey, plan.description.toString());
        for (const PowerSettingRow &row : powerSettingRows()) {
            const SeedValues &values = row.*plan.values;
            (void)ini.setValue(
                section, valueKey(PowerSource::Ac, row.subgroup, row.setting), QString::number(values.ac));
            (void)ini.setValue(
                section, valueKey(PowerSource::Dc, row.subgroup, row.setting), QString::number(values.dc));
        }
    }
    return ini;
}

bool isDefaultPlan(const QUuid &guid)
{
    return std::any_of(
        defaultPlans().begin(), defaultPlans().end(), [&](const DefaultPlan &plan) { return plan.guid == guid; });
}

// Makes scheme the file's active plan; a GUID and a word: never refused.
void writeActive(IniFile &ini, const QUuid &scheme, bool systemPlan)
{
    (void)ini.setValue(kStoreSection, kActiveKey, guidToText(scheme));
    if (systemPlan)
        (void)ini.setValue(kStoreSection, kActiveIsSystemKey, kTrue);
    else
        (void)ini.removeKey(kStoreSection, kActiveIsSystemKey);
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
    for (const QString &name : ini.sectionNames()) {
        const std::optional<QUuid> guid = textToGuid(name);
        if (guid && !guid->isNull() && !snapshot.known.contains(*guid)) {
            snapshot.known.insert(*guid);
            snapshot.schemes.append(*guid);
        }
    }
    snapshot.active = textToGuid(ini.value(kStoreSection, kActiveKey)).value_or(QUuid());
    snapshot.ini = std::move(ini);
    return snapshot;
}

QString SchemeStore::Snapshot::problem(const SystemPlans &system) const
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
    // A system plan that is gone is no damage of the user's file: activeOf() falls back.
    const bool systemActive = system.plan(active) || ini.value(kStoreSection, kActiveIsSystemKey) == kTrue;
    if (active.isNull() || (!schemes.contains(active) && !systemActive))
        return QStringLiteral("its active plan %1 is not one of its plans").arg(activeText);
    return {};
}

SchemeStore::Snapshot SchemeStore::Snapshot::salvaged(const SystemPlans &system) const
{
    if (schemes.isEmpty())
        return from(seedDocument());
    // Rebuilt key by key, so lines that are no entry stay behind in the copy set aside, and so do
    // values no line can hold (NUL) and plans left without a key: the active plan must be one
    // that made it, or the repaired file would be damaged again.
    IniFile repaired = IniFile::fromBytes(QByteArray(kSeedHeader));
    const bool systemActive = !schemes.contains(active) && system.plan(active);
    writeActive(repaired, schemes.contains(active) || systemActive ? active : schemes.constFirst(), systemActive);
    for (const QUuid &scheme : schemes) {
        const QString section = guidToText(scheme);
        // A refused key is one of those left behind on purpose.
        for (const QString &key : ini.keys(section))
            (void)repaired.setValue(section, key, ini.value(section, key));
    }
    Snapshot rebuilt = from(std::move(repaired));
    if (rebuilt.schemes.isEmpty())
        return from(seedDocument());
    if (!rebuilt.schemes.contains(rebuilt.active) && !systemActive) {
        rebuilt.active = rebuilt.schemes.constFirst();
        writeActive(rebuilt.ini, rebuilt.active, false);
    }
    return rebuilt;
}

SchemeStore::SchemeStore(const QString &path, const QStringList &systemFiles, QObject *parent)
    : PowerPlatform(parent)
    , m_path(path)
    , m_systemFiles(systemFiles)
{
    // A folder that cannot be made fails the first write, which says so.
    (void)AtomicFile::makePrivateFolder(QFileInfo(m_path).absolutePath());
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
    return read<QList<QUuid>>([this](const Snapshot &current) -> Result<QList<QUuid>> {
        QList<QUuid> all = current.schemes;
        for (const SystemPlans::Plan &plan : system().plans()) {
            if (!current.known.contains(plan.guid))
                all.append(plan.guid);
        }
        return all;
    });
}

Result<QString> SchemeStore::friendlyName(const QUuid &scheme) const
{
    return read<QString>([&](const Snapshot &current) -> Result<QString> {
        if (const SystemPlans::Plan *plan = systemPlan(current, scheme))
            return plan->name;
        if (!current.known.contains(scheme))
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
        if (const SystemPlans::Plan *plan = systemPlan(current, scheme))
            return plan->description;
        if (!current.known.contains(scheme))
            return missingScheme(scheme);
        return current.ini.value(guidToText(scheme), kDescriptionKey);
    });
}

Result<QUuid> SchemeStore::activeScheme() const
{
    return read<QUuid>([this](const Snapshot &current) -> Result<QUuid> { return activeOf(current); });
}

Result<> SchemeStore::setActiveScheme(const QUuid &scheme)
{
    // A file still naming a system plan that is gone is written even when the fallback is chosen,
    // so the choice stays when the plan comes back.
    const Result<bool> unchanged = read<bool>([&](const Snapshot &current) -> Result<bool> {
        return activeOf(current) == scheme && (current.active == scheme || isPinned(current));
    });
    if (unchanged && *unchanged)
        return {}; // nothing to write, so no change to report either
    return modify([&](IniFile &ini, const Snapshot &current) -> Result<> {
        if (isPinned(current))
            return SystemPlans::activeLocked();
        const bool systemScheme = systemPlan(current, scheme) != nullptr;
        if (!current.known.contains(scheme) && !systemScheme)
            return missingScheme(scheme);
        writeActive(ini, scheme, systemScheme);
        return {};
    });
}

Result<QUuid> SchemeStore::duplicateScheme(const QUuid &source)
{
    const QUuid fresh = QUuid::createUuid();
    SchemeChanges changes;
    changes.plans.append({ fresh, source, std::nullopt, std::nullopt, {} });
    if (const Result<> copied = changeSchemes(changes); !copied)
        return copied.failure();
    return fresh;
}

Result<> SchemeStore::deleteScheme(const QUuid &scheme)
{
    SchemeChanges changes;
    changes.deletions.append(scheme);
    return changeSchemes(changes);
}

Result<> SchemeStore::writeFriendlyName(const QUuid &scheme, const QString &name)
{
    SchemeChanges changes;
    changes.plans.append({ scheme, std::nullopt, name, std::nullopt, {} });
    return changeSchemes(changes);
}

Result<> SchemeStore::writeDescription(const QUuid &scheme, const QString &description)
{
    SchemeChanges changes;
    changes.plans.append({ scheme, std::nullopt, std::nullopt, description, {} });
    return changeSchemes(changes);
}

Result<quint32> SchemeStore::valueIndex(
    PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting) const
{
    return read<quint32>([&](const Snapshot &current) -> Result<quint32> {
        const SystemPlans::Plan *plan = systemPlan(current, scheme);
        if (!plan && !current.known.contains(scheme))
            return missingScheme(scheme);
        if (const std::optional<quint32> locked = system().lockedValue(source, subgroup, setting))
            return *locked;
        if (plan) {
            if (const std::optional<quint32> value = SystemPlans::valueOf(*plan, source, subgroup, setting))
                return *value;
            return notFound(QStringLiteral("the power plan %1 has no such value").arg(guidToText(scheme)));
        }
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
    SchemeChanges changes;
    changes.plans.append(
        { scheme, std::nullopt, std::nullopt, std::nullopt, { { source, subgroup, setting, value } } });
    return changeSchemes(changes);
}

Result<> SchemeStore::changeSchemes(const SchemeChanges &changes)
{
    return modify([&](IniFile &ini, const Snapshot &current) -> Result<> {
        const Result<SchemeChanges> admitted
            = system().admit(changes, [&](const QUuid &scheme) { return current.known.contains(scheme); });
        if (!admitted)
            return admitted.failure();
        return changeAdmitted(ini, current, *admitted);
    });
}

Result<> SchemeStore::changeAdmitted(IniFile &ini, const Snapshot &current, const SchemeChanges &changes) const
{
    QList<QUuid> schemes = current.schemes;
    for (const SchemeChanges::Plan &plan : changes.plans) {
        if (const Result<> changed = changePlan(ini, schemes, plan); !changed)
            return changed;
    }
    for (const QUuid &scheme : changes.deletions) {
        if (scheme == activeOf(current))
            return invalid(QStringLiteral("the active power plan cannot be deleted"));
        if (!schemes.contains(scheme))
            return missingScheme(scheme);
        // A repeated section would otherwise come back to life.
        const QString section = guidToText(scheme);
        while (ini.removeSection(section)) { }
        schemes.removeAll(scheme);
    }
    // Names are checked against the plans as they will be, so two names given in one change
    // cannot take each other's place either.
    const bool naming = std::any_of(changes.plans.cbegin(), changes.plans.cend(),
        [](const SchemeChanges::Plan &plan) { return plan.name.has_value(); });
    if (!naming)
        return {};
    PowerPlanList named;
    for (const QUuid &scheme : std::as_const(schemes)) {
        const QString section = guidToText(scheme);
        if (ini.contains(section, kNameKey))
            named.append(PowerPlan { ini.value(section, kNameKey), {}, scheme });
    }
    // A system plan's name is taken too, but a plan of the user's that had it before the
    // administrator gave it may keep it.
    PowerPlanList withSystem = named;
    for (const SystemPlans::Plan &plan : system().plans()) {
        if (!schemes.contains(plan.guid))
            withSystem.append(PowerPlan { plan.name, {}, plan.guid });
    }
    for (const SchemeChanges::Plan &plan : changes.plans) {
        if (!plan.name || changes.deletions.contains(plan.scheme))
            continue;
        const QString before = current.ini.value(guidToText(plan.scheme), kNameKey);
        const bool kept = !plan.copyOf && QString::compare(before, planNameOf(*plan.name), Qt::CaseInsensitive) == 0;
        if (const Result<> usable = refusePlanName(kept ? named : withSystem, *plan.name, plan.scheme); !usable)
            return usable;
    }
    return {};
}

Result<> SchemeStore::changePlan(IniFile &ini, QList<QUuid> &schemes, const SchemeChanges::Plan &plan) const
{
    const QString section = guidToText(plan.scheme);
    const auto refusedText
        = [] { return invalid(QStringLiteral("a plan's texts cannot hold line breaks or NUL characters")); };
    if (plan.copyOf) {
        if (schemes.contains(plan.scheme))
            return alreadyExists(QStringLiteral("a power plan %1 exists already").arg(section));
        if (!schemes.contains(*plan.copyOf))
            return copySystemPlan(ini, schemes, plan);
        const QString from = guidToText(*plan.copyOf);
        for (const QString &key : ini.keys(from)) {
            // A text the copy gets anew is not copied: a source whose name cannot be written
            // back (a NUL in it) can still be copied under a new name.
            const bool replaced = (plan.name && QString::compare(key, kNameKey, Qt::CaseInsensitive) == 0)
                || (plan.description && QString::compare(key, kDescriptionKey, Qt::CaseInsensitive) == 0);
            if (!replaced && !ini.setValue(section, key, ini.value(from, key)))
                return invalid(QStringLiteral("the power plan %1 holds a value that cannot be copied").arg(from));
        }
        schemes.append(plan.scheme);
    } else if (!schemes.contains(plan.scheme)) {
        return missingScheme(plan.scheme);
    }
    // The blanks around a name are never kept, so the name checked is the name stored.
    if (plan.name && !ini.setValue(section, kNameKey, planNameOf(*plan.name)))
        return refusedText();
    if (plan.description) {
        if (const Result<> usable = refusePlanDescription(*plan.description); !usable)
            return usable;
        if (!ini.setValue(section, kDescriptionKey, *plan.description))
            return refusedText();
    }
    // GUIDs and numbers: never refused.
    for (const SchemeChanges::Value &value : plan.values)
        (void)ini.setValue(
            section, valueKey(value.source, value.subgroup, value.setting), QString::number(value.value));
    return {};
}

Result<> SchemeStore::copySystemPlan(IniFile &ini, QList<QUuid> &schemes, const SchemeChanges::Plan &plan) const
{
    const SystemPlans::Plan *source = system().plan(*plan.copyOf);
    if (!source)
        return missingScheme(*plan.copyOf);
    const QString section = guidToText(plan.scheme);
    // The system file's texts passed the same rules as the user's: never refused.
    (void)ini.setValue(section, kNameKey, source->name);
    (void)ini.setValue(section, kDescriptionKey, source->description);
    for (const SchemeChanges::Value &value : source->values)
        (void)ini.setValue(
            section, valueKey(value.source, value.subgroup, value.setting), QString::number(value.value));
    schemes.append(plan.scheme);
    SchemeChanges::Plan rest = plan;
    rest.copyOf.reset();
    return changePlan(ini, schemes, rest);
}

bool SchemeStore::isSystemScheme(const QUuid &scheme) const
{
    return read<bool>([&](const Snapshot &current) -> Result<bool> {
        return systemPlan(current, scheme) != nullptr;
    }).valueOr(false);
}

std::optional<quint32> SchemeStore::lockedValue(PowerSource source, const QUuid &subgroup, const QUuid &setting) const
{
    QMutexLocker locker(&m_mutex);
    return system().lockedValue(source, subgroup, setting);
}

bool SchemeStore::isActiveLocked() const
{
    return read<bool>([this](const Snapshot &current) -> Result<bool> { return isPinned(current); }).valueOr(false);
}

const SystemPlans &SchemeStore::system() const
{
    if (!m_system)
        m_system = SystemPlans::load(m_systemFiles);
    return *m_system;
}

const SystemPlans::Plan *SchemeStore::systemPlan(const Snapshot &current, const QUuid &scheme) const
{
    return current.known.contains(scheme) ? nullptr : system().plan(scheme);
}

QUuid SchemeStore::activeOf(const Snapshot &current) const
{
    const auto listed = [&](const QUuid &scheme) { return current.known.contains(scheme) || system().plan(scheme); };
    if (isPinned(current))
        return system().pinnedActive();
    if (listed(current.active))
        return current.active;
    return current.schemes.value(0);
}

bool SchemeStore::isPinned(const Snapshot &current) const
{
    const QUuid &pinned = system().pinnedActive();
    return !pinned.isNull() && (current.known.contains(pinned) || system().plan(pinned));
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
    const Result<FileLock> locked = lockStore();
    if (!locked)
        return locked.failure();
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
    // Every reader refuses a larger file: a store that grew past it would stop every command.
    const QByteArray bytes = edited.toBytes();
    if (bytes.size() > IniFile::kSizeLimit) {
        return failed(QStringLiteral("the plan store %1 would grow past %2 MiB, more than can be read back; "
                                     "nothing was changed")
                          .arg(m_path)
                          .arg(IniFile::kSizeLimit / (1024 * 1024)));
    }
    if (const Result<> saved = AtomicFile::write(m_path, bytes); !saved)
        return saved;
    adopt(Snapshot::from(std::move(edited)), FileStamp::of(m_path), State::Clean);
    return {};
}

Result<FileLock> SchemeStore::lockStore() const
{
    if (const Result<> folder = AtomicFile::makePrivateFolder(QFileInfo(m_path).absolutePath()); !folder)
        return failed(QStringLiteral("the plan store %1 cannot be changed: %2").arg(m_path, folder.failure().message));
    return FileLock::acquire(m_path + QStringLiteral(".lock"), QStringLiteral("the lock of the plan store"), kLockWait);
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
        const QString problem = snapshot.problem(system());
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
    const Result<FileLock> locked = lockStore();
    if (!locked)
        return locked.failure();
    return refresh(Lock::Held);
}

Result<> SchemeStore::repair(const Snapshot &damaged, const QString &problem) const
{
    Snapshot salvaged = damaged.salvaged(system());
    // Only plans that keep a key can be written back; the count says what the user really has.
    const qsizetype kept = std::count_if(salvaged.schemes.cbegin(), salvaged.schemes.cend(),
        [&](const QUuid &scheme) { return damaged.schemes.contains(scheme); });
    // The damaged bytes are copied aside first and the file is then replaced in one step: a repair
    // that fails or is killed at any moment leaves schemes.ini as it was, never a missing file
    // that the next read would seed with the default plans.
    const Result<QString> keptAs = AtomicFile::copyAside(m_path);
    const Result<> saved = keptAs ? salvaged.ini.save(m_path) : Result<>(keptAs.failure());
    if (!saved) {
        if (keptAs)
            QFile::remove(*keptAs); // the damaged file itself is still in place
        const QString why
            = QStringLiteral("it is damaged (%1) and could not be repaired: %2").arg(problem, saved.failure().message);
        if (kept == 0)
            return markUnusable(why); // the default plans are no stand-in for a store being repaired
        reportToUser(QStringLiteral("ampora: the plan store %1 is damaged (%2) and could not be repaired: %3; its %4 "
                                    "readable plans are shown, and no change is made until it is repaired")
                         .arg(m_path, problem, saved.failure().message)
                         .arg(kept));
        m_unusableWhy = why;
        adopt(std::move(salvaged), FileStamp::of(m_path), State::Salvaged);
        return {};
    }
    adopt(std::move(salvaged), FileStamp::of(m_path), State::Clean);
    // Said only now that it is true.
    reportToUser(QStringLiteral(
        "ampora: the plan store %1 was damaged (%2); it was kept as %3 and its %4 readable plans were saved")
                     .arg(m_path, problem, *keptAs)
                     .arg(kept));
    return {};
}

Result<> SchemeStore::writeSeed() const
{
    IniFile seed = seedDocument();
    // The administrator's choice for a new user: a default plan, or a system plan.
    if (const QUuid &first = system().firstActive(); !first.isNull())
        writeActive(seed, first, !isDefaultPlan(first));
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
