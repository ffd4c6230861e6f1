// SPDX-License-Identifier: GPL-3.0-or-later
#include "LidWatch.h"

#include <QVariantMap>
#include <atomic>

using namespace Qt::StringLiterals;

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;

} // namespace

// Lives on the watch's thread, where the bus delivers UPower's changes to it.
class LidWatchReceiver : public QObject
{
    Q_OBJECT
public:
    explicit LidWatchReceiver(const QDBusConnection &systemBus)
        : m_logind(systemBus)
    {
    }

    std::atomic<LogindManager::Action> action { LogindManager::Action::Nothing };

public Q_SLOTS:
    void onUPowerChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface != kUPower || !changed.value(u"LidIsClosed"_s).toBool())
            return;
        const LogindManager::Action now = action.load();
        if (now == LogindManager::Action::Nothing || m_logind.property(u"Docked"_s).toBool())
            return;
        (void)m_logind.act(now);
    }

private:
    LogindManager m_logind;
};

LidWatch::LidWatch(const QDBusConnection &systemBus)
    : m_receiver(std::make_unique<LidWatchReceiver>(systemBus))
{
    m_thread.setObjectName(u"ampora-lid"_s);
    m_receiver->moveToThread(&m_thread);
    QDBusConnection bus = systemBus;
    bus.connect(kUPower, u"/org/freedesktop/UPower"_s, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s,
        m_receiver.get(), SLOT(onUPowerChanged(QString, QVariantMap, QStringList)));
    m_thread.start();
}

LidWatch::~LidWatch()
{
    m_thread.quit();
    m_thread.wait();
}

void LidWatch::setAction(LogindManager::Action action)
{
    m_receiver->action = action;
}

#include "LidWatch.moc"
