#include "LogindBrightnessApplier.h"

LogindBrightnessApplier::LogindBrightnessApplier(const QDBusConnection &systemBus, const QString &sysfsRoot)
    : m_systemBus(systemBus)
    , m_sysfsRoot(sysfsRoot)
{
}

QString LogindBrightnessApplier::name() const
{
    return QStringLiteral("logind");
}

QList<Setting> LogindBrightnessApplier::handles() const
{
    return {};
}

QList<SettingReport> LogindBrightnessApplier::apply(const ApplyRequest &, const QList<Setting> &)
{
    return {};
}
