// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogindInhibitor.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

LogindInhibitor::LogindInhibitor(const QDBusConnection &systemBus, QString what, QString mode)
    : m_systemBus(systemBus)
    , m_what(std::move(what))
    , m_mode(std::move(mode))
{
}

Result<> LogindInhibitor::take(const QString &why)
{
    if (isHeld())
        return {};
    QDBusMessage inhibit = QDBusMessage::createMethodCall(
        u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"Inhibit"_s);
    inhibit << m_what << u"Ampora"_s << why << m_mode;
    inhibit.setInteractiveAuthorizationAllowed(false);
    const QDBusMessage reply = m_systemBus.call(inhibit, QDBus::Block, 1500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return failed(u"logind gave no %1 lock: %2"_s.arg(m_what, reply.errorMessage()));
    const auto fd = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    if (!fd.isValid())
        return failed(u"logind gave no %1 lock: the bus does not pass file descriptors"_s.arg(m_what));
    m_fd = fd; // a copy of its own (dup), closed with it
    return {};
}

void LogindInhibitor::release()
{
    m_fd = QDBusUnixFileDescriptor();
}
