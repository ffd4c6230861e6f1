#include "PowerEventMonitor.h"

PowerEventMonitor::PowerEventMonitor(const QDBusConnection &systemBus, const QString &sysfsRoot, QObject *parent)
    : PowerEvents(parent)
    , m_systemBus(systemBus)
    , m_sysfsRoot(sysfsRoot)
{
}

PowerSource PowerEventMonitor::source() const
{
    return m_source;
}
