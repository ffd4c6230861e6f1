// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SystemctlRunner.h"
#include "TaskService.h"

#include <functional>
#include <optional>

class QFileSystemWatcher;
class QTimer;

// Tasks as the user's session runs them: a time-triggered task N is the pair N.timer + N.service
// in the systemd user unit folder, enabled when timers.target wants the timer (the
// timers.target.wants/N.timer link); a logon task N is the autostart entry N.desktop. Folders
// are read and written whether or not a user manager runs; when one answers, every change is
// followed by a reload and a start or stop of the timer, and a refusal fails the change with
// systemctl's own words (the files stay written).
//
// A timer never runs for a time before it was written or enabled: systemd plans a persistent timer
// from its stamp file (the time it last ran), which outlives the units and a name's reuse, and a
// running timer keeps that time through a reload. So every write and re-enable stops the timer,
// sets its stamp to now, and only then reloads the manager and starts the timer. Runs missed after
// that, while the machine was off or asleep, still happen when it is back ("start when available").
//
// The folder lists the timers (by name) and then the program's autostart entries (by name).
// Other units, other programs' entries and unreadable files are no error: a timer whose files
// cannot be understood is listed without a trigger, action or definition. Only units and entries
// that carry this program's X-Ampora-Task mark are ever rewritten, disabled or removed. A unit
// with the mark that was changed by hand or damaged is listed with what is wrong with it, and can
// always be disabled and removed (only its marked files go); it is rewritten only when every
// unit of its name carries the mark.
//
// Once someone listens for tasksChanged(), the unit folder, its timers.target.wants folder and
// the unit files in it are watched: any change there, by this object, another one or another
// process, also to a unit edited in place, emits the signal once the folder has settled. The read
// operations may be called from any thread.
class SystemdTaskService : public TaskService
{
    Q_OBJECT
public:
    SystemdTaskService(QString unitFolder, QString autostartFolder, QString stampFolder = defaultStampFolder(),
        SystemctlRunner systemctl = SystemctlRunner(), QObject *parent = nullptr);

    // $XDG_CONFIG_HOME/systemd/user, $XDG_CONFIG_HOME/autostart and, where the user manager keeps
    // the persistent timers' stamp-N.timer files, $XDG_DATA_HOME/systemd/timers.
    static QString defaultUnitFolder();
    static QString defaultAutostartFolder();
    static QString defaultStampFolder();

    Result<QList<RegisteredTask>> readTasks() const override;
    Result<> registerTask(const QString &name, const TaskDefinition &definition, Registration mode) override;
    Result<> replaceTask(
        const QString &name, const TaskDefinition &definition, const TaskDefinition &expected) override;
    Result<> deleteTask(const QString &name) override;
    Result<> setTaskEnabled(const QString &name, bool enabled) override;
    // Under one hold of the data lock, with one call to the manager for each step: timers to be
    // removed or enabled again are stopped together first, then every file is written, then the
    // manager reloads once and starts or stops all the timers enabled or disabled.
    BatchOutcome deleteTasks(const QStringList &names) override;
    BatchOutcome setTasksEnabled(const QStringList &names, bool enabled) override;
    // From the user manager when one answers (one systemctl call for all names); otherwise the
    // last run from the timers' stamps, and no next run.
    QHash<QString, TaskRunTimes> readRunTimes(const QStringList &names) const override;
    // Whether this user may set a wake-up alarm (CAP_WAKE_ALARM), as a timer with WakeSystem=
    // needs: without it, the user manager runs the timer when the machine is awake anyway.
    bool canWakeSystem() const override;

protected:
    void connectNotify(const QMetaMethod &signal) override;

private:
    void startWatching();
    // A new or re-created wants folder joins the watch; a removed one drops out of it by itself.
    void watchWantsFolder();
    void noteFolderEvent();
    void watchUnitFiles();

    // What a name stands for on disk; Foreign is anything this program did not write (another
    // program's units, hand-made or unreadable files), which it never changes.
    enum class Kind { None, Timer, Autostart, Foreign };

    Kind kindOf(const QString &name) const;
    QString timerPath(const QString &name) const;
    QString servicePath(const QString &name) const;
    QString wantsLinkPath(const QString &name) const;
    QString entryPath(const QString &name) const;
    QString stampPath(const QString &name) const;

    // Every timer or service of that name carries the mark (missing ones aside).
    bool ownsEveryUnit(const QString &name) const;
    Result<QList<RegisteredTask>> readTimers() const;
    RegisteredTask readTimer(const QString &name) const;
    // Writes a timer or an autostart entry, over what is there (existing) and checked before.
    // Checks the name, takes the data lock and hands change what exists under that name now.
    Result<> changeTask(const QString &name, const std::function<Result<>(Kind)> &change);
    // What the task now holds; none when it is gone, damaged or not Ampora's.
    std::optional<TaskDefinition> currentDefinition(const QString &name, Kind kind) const;
    Result<> write(const QString &name, const TaskDefinition &definition, Kind existing);
    Result<QList<RegisteredTask>> readEntries() const;
    Result<> writeTimer(const QString &name, const TaskDefinition &definition);
    Result<> writeEntry(const QString &name, const TaskDefinition &definition);
    Result<> remove(const QString &name, Kind kind);
    // Whether timers.target wants this timer, through a link to it.
    bool isLinked(const QString &name) const;
    Result<> linkTimer(const QString &name, bool wanted) const;
    // The stamp of a persistent timer says it last ran now; a timer without Persistent= has none.
    Result<> restartStamp(const QString &name, bool persistent) const;
    // Reloads the user manager and starts or stops the timer. No manager that answers is no
    // failure; one that refuses the start or stop is, in systemctl's words.
    Result<> tellManager(const QString &name, bool running) const;
    // The same for several timers, with one call for each step.
    Result<> tellManager(const QStringList &names, bool running) const;
    // Removes a timer's files, without telling the manager.
    Result<> removeTimerFiles(const QString &name);
    // Enables or disables a timer's files, without telling the manager. The timer must have been
    // stopped first when it is to be enabled again (needsRestart).
    Result<> linkTimerFiles(const QString &name, bool enabled);
    bool needsRestart(const QString &name, bool enabled) const;
    Result<> setEntryEnabled(const QString &name, bool enabled);

    QString m_unitFolder;
    QString m_autostartFolder;
    QString m_stampFolder;
    SystemctlRunner m_systemctl;
    QFileSystemWatcher *m_watcher = nullptr; // made when someone listens for tasksChanged()
    QTimer *m_settle = nullptr;
};
