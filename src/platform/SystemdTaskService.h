#pragma once

#include "SystemctlRunner.h"
#include "TaskService.h"

// Tasks as the user's session runs them: a time-triggered task N is the pair N.timer + N.service
// in the systemd user unit folder, enabled when timers.target wants the timer (the
// timers.target.wants/N.timer link); a logon task N is the autostart entry N.desktop. Folders
// are read and written whether or not a user manager runs; when one answers, every change is
// followed by a reload and a start or stop of the timer.
//
// The folder lists the timers (by name) and then the program's autostart entries (by name).
// Other units, other programs' entries and unreadable files are no error: a timer whose files
// cannot be understood is listed without a trigger, action or definition.
class SystemdTaskService : public TaskService
{
public:
    SystemdTaskService(QString unitFolder, QString autostartFolder, SystemctlRunner systemctl = SystemctlRunner());

    // $XDG_CONFIG_HOME/systemd/user and $XDG_CONFIG_HOME/autostart.
    static QString defaultUnitFolder();
    static QString defaultAutostartFolder();

    Status readTasks(QList<RegisteredTask> *tasks) const override;
    Status registerTask(const QString &name, const TaskDefinition &definition, Registration mode) override;
    Status deleteTask(const QString &name) override;
    Status setTaskEnabled(const QString &name, bool enabled) override;

private:
    enum class Kind { None, Timer, Autostart };

    Kind kindOf(const QString &name) const;
    QString timerPath(const QString &name) const;
    QString servicePath(const QString &name) const;
    QString wantsLinkPath(const QString &name) const;
    QString entryPath(const QString &name) const;

    bool readTimers(QList<RegisteredTask> *tasks) const;
    bool readEntries(QList<RegisteredTask> *tasks) const;
    Status writeTimer(const QString &name, const TaskDefinition &definition);
    Status writeEntry(const QString &name, const TaskDefinition &definition);
    Status remove(const QString &name, Kind kind);
    bool linkTimer(const QString &name, bool wanted) const;
    // Reloads the user manager and starts or stops the timer; silent when no manager answers.
    void tellManager(const QString &name, bool running) const;

    QString m_unitFolder;
    QString m_autostartFolder;
    SystemctlRunner m_systemctl;
};
