#include "ApplierFactory.h"

#include "GnomeApplier.h"
#include "LogindBrightnessApplier.h"
#include "PlanFollower.h"
#include "PowerEventMonitor.h"
#include "PowerProfilesApplier.h"
#include "SysfsCapabilityReader.h"
#include "UserReport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

using ApplierFactory::applyActivePlanOnce;
using ApplierFactory::createApplyBackends;
using Applying::applyActivePlan;
using UserReport::reportToUser;

namespace ApplierFactory {

namespace {

bool isGnomeSession(const QDBusConnection &sessionBus)
{
    if (sessionBus.isConnected() && sessionBus.interface()
        && sessionBus.interface()->isServiceRegistered(QStringLiteral("org.gnome.SettingsDaemon.Power")))
        return true;
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

} // namespace

ApplyBackends createApplyBackends()
{
    ApplyBackends backends;
    backends.ledger = std::make_unique<AppliedLedger>();
    const QDBusConnection sessionBus = QDBusConnection::sessionBus();
    const QDBusConnection systemBus = QDBusConnection::systemBus();
    backends.events = std::make_unique<PowerEventMonitor>(systemBus);

    std::vector<std::unique_ptr<PlanApplier>> appliers;
    if (isGnomeSession(sessionBus))
        appliers.push_back(std::make_unique<GnomeApplier>(*backends.ledger, sessionBus, systemBus));
    appliers.push_back(std::make_unique<PowerProfilesApplier>(*backends.ledger, systemBus));
    appliers.push_back(std::make_unique<LogindBrightnessApplier>(*backends.ledger, systemBus));

    const Result<PlanCapabilities> capabilities = SysfsCapabilityReader().read();
    backends.coordinator = std::make_unique<ApplyCoordinator>(std::move(appliers),
        capabilities ? std::optional<PlanCapabilities>(*capabilities) : std::nullopt, backends.ledger.get());
    return backends;
}

void applyActivePlanOnce(const PowerPlatform &platform)
{
    const ApplyBackends backends = createApplyBackends();
    const std::optional<ApplyStatus> status
        = applyActivePlan(platform, *backends.coordinator, backends.events->source(), ApplyReason::Activation);
    backends.coordinator->release();
    // A scheduled switch has no terminal, but its journal is where a user would look.
    if (status && !status->recordFailure.isEmpty()) {
        reportToUser(
            QStringLiteral("What Ampora writes into the desktop's settings cannot be recorded, so it was not all "
                           "written: ")
            + status->recordFailure);
    }
}

} // namespace ApplierFactory
