// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <optional>

// What the resident applier asks of logind's Manager and of the user's own session: its settings
// for the buttons and the lid, what is being held back, and the actions polkit lets an active
// local session take without a password. Nothing here ever asks for one.
class AMPORA_BASE_EXPORT LogindManager
{
public:
    // A plan's action: 0 nothing, 1 sleep, 2 hibernate, 3 shut down.
    enum class Action { Nothing, Sleep, Hibernate, ShutDown, SleepThenHibernate };

    explicit LogindManager(const QDBusConnection &systemBus);

    bool isRunning() const;
    // A Manager property; invalid when logind does not answer.
    QVariant property(const QString &name) const;
    // What logind itself does for a key or lid setting ("HandlePowerKey", ...), as a plan's action;
    // empty for something a plan cannot say (lock, reboot, hybrid-sleep...).
    std::optional<Action> ownAction(const QString &handleProperty) const;
    // "yes" from CanSuspend, CanHibernate, ...
    bool can(Action action) const;
    // Whether another program holds back idle actions (a video, a presentation).
    bool idleInhibited() const;

    Result<> act(Action action) const;
    // Session.Lock() on the user's own session: logind tells the screen locker.
    Result<> lockSession() const;
    QDBusConnection bus() const { return m_systemBus; }

    static std::optional<Action> fromPlan(quint32 value);
    static QString methodOf(Action action);

private:
    QString sessionPath() const;

    QDBusConnection m_systemBus;
};
