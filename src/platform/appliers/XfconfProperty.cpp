// SPDX-License-Identifier: GPL-3.0-or-later
#include "XfconfProperty.h"

#include "xfconfproxy.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"org.xfce.Xfconf"_s;
const QString kPath = u"/org/xfce/Xfconf"_s;
constexpr int kCallTimeoutMs = 2000;

// A proxy of the calling thread's own: the appliers run on a worker thread.
std::unique_ptr<XfconfProxy> proxy(const QDBusConnection &bus)
{
    auto result = std::make_unique<XfconfProxy>(kService, kPath, bus);
    result->setTimeout(kCallTimeoutMs);
    return result;
}

std::optional<QString> text(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? u"true"_s : u"false"_s;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return value.toString();
    default:
        return std::nullopt;
    }
}

} // namespace

XfconfProperty::XfconfProperty(const QDBusConnection &bus, const QString &channel, const QString &property, Type type)
    : m_bus(bus)
    , m_channel(channel)
    , m_property(property)
    , m_type(type)
{
}

QString XfconfProperty::key() const
{
    return m_property.section(u'/', -1);
}

QString XfconfProperty::ledgerKey() const
{
    return u"xfconf/%1%2"_s.arg(m_channel, m_property);
}

std::optional<QString> XfconfProperty::read() const
{
    const QDBusReply<QDBusVariant> reply = proxy(m_bus)->GetProperty(m_channel, m_property);
    if (!reply.isValid())
        return std::nullopt;
    return text(reply.value().variant());
}

Result<QString> XfconfProperty::check(const QVariant &value) const
{
    bool ok = false;
    if (m_type == Type::Bool && value.typeId() != QMetaType::Bool)
        return invalid(u"%1 takes true or false, not %2"_s.arg(key(), value.toString()));
    if (m_type == Type::Uint) {
        const qlonglong number = value.toLongLong(&ok);
        if (value.typeId() == QMetaType::Bool || !ok || number < 0 || number > std::numeric_limits<quint32>::max())
            return invalid(u"%1 cannot hold %2"_s.arg(key(), value.toString()));
    }
    const QDBusReply<bool> locked = proxy(m_bus)->IsPropertyLocked(m_channel, m_property);
    if (!locked.isValid())
        return failed(u"xfconf did not answer: %1"_s.arg(locked.error().message()));
    if (locked.value())
        return failed(u"%1 is locked by the administrator"_s.arg(key()));
    return *text(m_type == Type::Bool ? QVariant(value.toBool()) : QVariant(value.toUInt()));
}

Result<QString> XfconfProperty::write(const QVariant &value)
{
    const Result<QString> checked = check(value);
    if (!checked)
        return checked;
    const QVariant typed = m_type == Type::Bool ? QVariant(value.toBool()) : QVariant(value.toUInt());
    const QDBusReply<void> reply = proxy(m_bus)->SetProperty(m_channel, m_property, QDBusVariant(typed));
    if (!reply.isValid())
        return failed(u"%1 could not be written: %2"_s.arg(key(), reply.error().message()));
    return checked;
}

Result<> XfconfProperty::reachable(const QDBusConnection &bus, const QString &channel, const QString &property)
{
    if (!bus.isConnected())
        return notFound(u"there is no session bus"_s);
    const QDBusReply<bool> reply = proxy(bus)->PropertyExists(channel, property);
    if (!reply.isValid())
        return notFound(u"xfconf does not answer: %1"_s.arg(reply.error().message()));
    return {};
}
