// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "IniFile.h"
#include "PowerPlatform.h"
#include "SystemPlans.h"

#include <QList>
#include <QMutex>
#include <QSet>
#include <functional>

class FileLock;
class QFileSystemWatcher;
class QTimer;

// The program's own power schemes: one INI file shared by every process of the user.
//
//   [Store]
//   Active={381B4222-F694-41F0-9685-FF5BB260DF2E}
//   [{381B4222-F694-41F0-9685-FF5BB260DF2E}]
//   Name=Balanced
//   Description=...
//   AC/{subgroup}/{setting}=600
//   DC/{subgroup}/{setting}=300
//
// Names follow the plan name rule (checkPlanName), checked under the lock against the plans in the
// file at that moment. Schemes enumerate in section order, which is creation order. A missing file is created with
// the default plans. A damaged file (not UTF-8, a line that is no entry, no valid Active, no plans)
// is not thrown away: it is copied aside unchanged, then replaced in one step by every plan that can
// still be read (with a readable plan made active when Active was wrong), and one line on stderr
// says what was wrong and where. Where the copy or the replacement cannot be made (a full disk),
// the damaged file stays as it is, its readable plans are served and every change is refused with
// the reason until it is repaired (every call fails when it holds no readable plan); a file that
// cannot be read at all is left alone and every call fails. Only a store read without fault reports a scheme as
// NotFound, so a damaged store never makes schedules look orphaned.
//
// Beside the user's plans it serves the system-wide plans and locks (SystemPlans), read once from
// the system files given, never written: their plans come after the user's own and can be
// activated and copied but not changed, a locked setting reads as its lock in every plan. The
// file's Active then names a system plan and ActiveIsSystemPlan=true says so: when that plan is
// gone from the system files (or its file is damaged), the user's first plan is active until the
// user chooses, and the file is left as it is. A pinned active plan (Active[$i]) is served as
// the active one without being written.
//
// Reads are served from a parsed copy that is re-read only when the file changed on disk, so a
// full enumeration stays cheap. Every change is a read-modify-write under a lock file shared by
// all processes of the user, replacing the file atomically. Any change of the file, by this or
// another process, emits schemesChanged() once it settles. The read operations may be called
// from any thread.
class AMPORA_BASE_EXPORT SchemeStore : public PowerPlatform
{
    Q_OBJECT
public:
    // systemFiles: where the system-wide plans are (SystemPlans::systemFiles()); none by default.
    explicit SchemeStore(const QString &path, const QStringList &systemFiles = {}, QObject *parent = nullptr);

    Result<QList<QUuid>> schemes() const override;
    // A scheme without a Name key exists but cannot be named: a failure, not NotFound.
    Result<QString> friendlyName(const QUuid &scheme) const override;
    // A scheme without a Description key has an empty description.
    Result<QString> description(const QUuid &scheme) const override;
    Result<QUuid> activeScheme() const override;
    Result<> setActiveScheme(const QUuid &scheme) override;
    Result<QUuid> duplicateScheme(const QUuid &source) override;
    Result<> deleteScheme(const QUuid &scheme) override;
    // Each is one change as changeSchemes makes it: a name follows the plan name rule (blanks
    // around it are not kept), a description holds no line break or NUL.
    Result<> writeFriendlyName(const QUuid &scheme, const QString &name) override;
    Result<> writeDescription(const QUuid &scheme, const QString &description) override;
    // A missing or non-numeric value is NotFound.
    Result<quint32> valueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting) const override;
    Result<> writeValueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value) override;
    // One locked read-modify-write and one replace, however many plans it changes. A change that
    // would make the file larger than IniFile::kSizeLimit, which no reader accepts, is refused.
    Result<> changeSchemes(const SchemeChanges &changes) override;

    bool isSystemScheme(const QUuid &scheme) const override;
    std::optional<quint32> lockedValue(PowerSource source, const QUuid &subgroup, const QUuid &setting) const override;
    bool isActiveLocked() const override;

private:
    // Identifies one version of the file; an atomic replace always changes the inode.
    struct FileStamp
    {
        bool exists = false;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;

        static FileStamp of(const QString &path);
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };

    struct Snapshot
    {
        IniFile ini;
        QList<QUuid> schemes;
        QSet<QUuid> known; // the same schemes, to look one up among thousands
        QUuid active;

        static Snapshot from(IniFile ini);
        // What is wrong with the file, or an empty text. An active plan may be a system plan.
        QString problem(const SystemPlans &system) const;
        // Every scheme that could be read, with a readable one active; the default plans when
        // none could.
        Snapshot salvaged(const SystemPlans &system) const;
    };

    // What the current version of the file allows.
    enum class State {
        Clean, // read without fault
        Salvaged, // damaged and not set aside: its readable plans are served, changes refused
        Unreadable, // could not be read or created: every call fails
    };
    enum class Lock { NotHeld, Held };
    // Changes the document; a failure leaves the file alone.
    using Change = std::function<Result<>(IniFile &ini, const Snapshot &current)>;

    // These expect m_mutex to be held.
    const SystemPlans &system() const;
    // A system plan that no plan of the user's hides.
    const SystemPlans::Plan *systemPlan(const Snapshot &current, const QUuid &scheme) const;
    // The active scheme the user sees: pinned by the administrator, else the file's when it is
    // still there, else the first of the user's.
    QUuid activeOf(const Snapshot &current) const;
    Result<> refresh(Lock lock) const;
    Result<> repair(const Snapshot &damaged, const QString &problem) const;
    Result<> writeSeed() const;
    void adopt(Snapshot snapshot, const FileStamp &stamp, State state) const;
    Result<> markUnusable(const QString &why) const;
    Failure unavailable() const;
    Failure missingScheme(const QUuid &scheme) const;

    // Runs reader on the current document; fails when the store cannot be used.
    template <typename T, typename Read> Result<T> read(Read reader) const;
    Result<> modify(const Change &change);
    // Applies one plan's part of a change to ini; schemes follows what ini holds.
    Result<> changeAdmitted(IniFile &ini, const Snapshot &current, const SchemeChanges &changes) const;
    Result<> changePlan(IniFile &ini, QList<QUuid> &schemes, const SchemeChanges::Plan &plan) const;
    // A new plan as a copy of a system plan, then the rest of the change.
    Result<> copySystemPlan(IniFile &ini, QList<QUuid> &schemes, const SchemeChanges::Plan &plan) const;
    // Whether the administrator's pinned active plan is one that is there.
    bool isPinned(const Snapshot &current) const;
    Result<FileLock> lockStore() const;

    void connectNotify(const QMetaMethod &signal) override;
    void startWatching();
    void watchFile();
    void noteFileEvent();
    void reportChange();

    const QString m_path;
    const QStringList m_systemFiles;
    mutable QMutex m_mutex;
    mutable std::optional<SystemPlans> m_system; // read on first use
    mutable Snapshot m_snapshot;
    mutable FileStamp m_stamp; // the file version m_snapshot was read from
    mutable bool m_loaded = false;
    mutable State m_state = State::Unreadable;
    mutable QString m_unusableWhy; // why the current version cannot be used

    QFileSystemWatcher *m_watcher = nullptr; // made when someone listens for schemesChanged()
    QTimer *m_debounce = nullptr;
    FileStamp m_reportedStamp; // the file version the last schemesChanged() was about
};
