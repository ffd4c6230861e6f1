#include "ApplierFactory.h"

#include "GnomeApplier.h"
#include "LogindBrightnessApplier.h"
#include "PlanFollower.h"
#include "PlasmaApplier.h"
#include "PowerEventMonitor.h"
#include "PowerProfilesApplier.h"
#include "SysfsCapabilityReader.h"
#include "UserReport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace {

// The desktop's power service owns its bus name, or the session says which desktop it is.
bool isSession(const QDBusConnection &sessionBus, const QString &service, const QString &desktop)
{
    if (sessionBus.isConnected() && sessionBus.interface() && sessionBus.interface()->isServiceRegistered(service))
        return true;
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(desktop, Qt::CaseInsensitive);
}

bool isGnomeSession(const QDBusConnection &sessionBus)
{
    return isSession(sessionBus, QStringLiteral("org.gnome.SettingsDaemon.Power"), QStringLiteral("GNOME"));
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
    // Plasma writes the performance profile and brightness into its own profiles: ahead of
    // power-profiles-daemon and logind, so they never set them too.
    if (isSession(sessionBus, QStringLiteral("org.kde.Solid.PowerManagement"), QStringLiteral("KDE")))
        appliers.push_back(
            std::make_unique<PlasmaApplier>(*backends.ledger, sessionBus, PlasmaApplier::sessionVersion()));
    else if (isGnomeSession(sessionBus))
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
