#include "PowerProfilesApplier.h"

#include "AppliedLedger.h"

PowerProfilesApplier::PowerProfilesApplier(AppliedLedger &ledger, const QDBusConnection &systemBus)
    : m_ledger(ledger)
    , m_systemBus(systemBus)
{
}

QString PowerProfilesApplier::name() const
{
    return QStringLiteral("power-profiles-daemon");
}

QList<Setting> PowerProfilesApplier::handles() const
{
    return {};
}

QList<SettingReport> PowerProfilesApplier::apply(const ApplyRequest &, const QList<Setting> &)
{
    return {};
}
