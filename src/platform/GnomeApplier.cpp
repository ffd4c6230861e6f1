#include "GnomeApplier.h"

#include "AppliedLedger.h"

GnomeApplier::GnomeApplier(AppliedLedger &ledger, const QDBusConnection &sessionBus)
    : m_ledger(ledger)
    , m_sessionBus(sessionBus)
{
}

GnomeApplier::~GnomeApplier() = default;

QString GnomeApplier::name() const
{
    return QStringLiteral("GNOME");
}

QList<Setting> GnomeApplier::handles() const
{
    return {};
}

QList<SettingReport> GnomeApplier::apply(const ApplyRequest &, const QList<Setting> &)
{
    return {};
}

void GnomeApplier::release()
{
}
