// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogindManager.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"org.freedesktop.login1"_s;
const QString kManagerPath = u"/org/freedesktop/login1"_s;
const QString kManager = u"org.freedesktop.login1.Manager"_s;
constexpr int kCallTimeoutMs = 1500;

QDBusMessage call(const QDBusConnection &bus, QDBusMessage message)
{
    message.setInteractiveAuthorizationAllowed(false);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

} // namespace

LogindManager::LogindManager(const QDBusConnection &systemBus)
    : m_systemBus(systemBus)
{
}

bool LogindManager::isRunning() const
{
    return m_systemBus.isConnected() && m_systemBus.interface()
        && m_systemBus.interface()->isServiceRegistered(kService).value();
}

QVariant LogindManager::property(const QString &name) const
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(kService, kManagerPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << kManager << name;
    const QDBusMessage reply = call(m_systemBus, get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

std::optional<LogindManager::Action> LogindManager::ownAction(const QString &handleProperty) const
{
    const QString action = property(handleProperty).toString();
    if (action == u"ignore")
        return Action::Nothing;
    if (action == u"suspend")
        return Action::Sleep;
    if (action == u"hibernate")
        return Action::Hibernate;
    if (action == u"poweroff")
        return Action::ShutDown;
    return std::nullopt;
}

bool LogindManager::can(Action action) const
{
    if (action == Action::Nothing)
        return true;
    const QDBusMessage reply = call(
        m_systemBus, QDBusMessage::createMethodCall(kService, kManagerPath, kManager, u"Can"_s + methodOf(action)));
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toString() == u"yes";
}

bool LogindManager::idleInhibited() const
{
    return property(u"BlockInhibited"_s).toString().split(u':').contains(u"idle"_s);
}

Result<> LogindManager::act(Action action) const
{
    if (action == Action::Nothing)
        return {};
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kManagerPath, kManager, methodOf(action));
    message << false; // never ask for a password
    const QDBusMessage reply = call(m_systemBus, message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return failed(u"logind refused to %1: %2"_s.arg(methodOf(action), reply.errorMessage()));
    return {};
}

Result<> LogindManager::lockSession() const
{
    const QString path = sessionPath();
    if (path.isEmpty())
        return failed(u"logind knows no session of Ampora's"_s);
    const QDBusMessage reply = call(
        m_systemBus, QDBusMessage::createMethodCall(kService, path, u"org.freedesktop.login1.Session"_s, u"Lock"_s));
    if (reply.type() != QDBusMessage::ReplyMessage)
        return failed(u"logind did not lock the session: "_s + reply.errorMessage());
    return {};
}

std::optional<LogindManager::Action> LogindManager::fromPlan(quint32 value)
{
    if (value > quint32(Action::ShutDown))
        return std::nullopt;
    return Action(value);
}

QString LogindManager::methodOf(Action action)
{
    switch (action) {
    case Action::Nothing:
        return {};
    case Action::Sleep:
        return u"Suspend"_s;
    case Action::Hibernate:
        return u"Hibernate"_s;
    case Action::ShutDown:
        return u"PowerOff"_s;
    case Action::SleepThenHibernate:
        return u"SuspendThenHibernate"_s;
    }
    return {};
}

// The session of XDG_SESSION_ID, else the one logind picks for the caller ("auto": the caller's
// own, or the user's graphical session for a user service).
QString LogindManager::sessionPath() const
{
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (id.isEmpty())
        return u"/org/freedesktop/login1/session/auto"_s;
    QDBusMessage getSession = QDBusMessage::createMethodCall(kService, kManagerPath, kManager, u"GetSession"_s);
    getSession << id;
    const QDBusMessage reply = call(m_systemBus, getSession);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusObjectPath>().path();
}
