// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplierFactory.h"

#include "GSettingsPowerApplier.h"
#include "GnomeApplier.h"
#include "LogindBrightnessApplier.h"
#include "PlanFollower.h"
#include "PlasmaApplier.h"
#include "PowerEventMonitor.h"
#include "PowerProfilesApplier.h"
#include "ResidentApplier.h"
#include "SysfsCapabilityReader.h"
#include "UserReport.h"
#include "XfceApplier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

using ApplierFactory::applyActivePlanOnce;
using ApplierFactory::createApplyBackends;
using Applying::applyActivePlan;
using UserReport::reportToUser;

namespace ApplierFactory {

namespace {

// Whether the session is the given desktop: its power manager owns its bus name, or the session
// says so.
bool isDesktop(const QDBusConnection &sessionBus, const QString &service, const QString &desktop)
{
    if (sessionBus.isConnected() && sessionBus.interface() && sessionBus.interface()->isServiceRegistered(service))
        return true;
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(desktop, Qt::CaseInsensitive);
}

std::unique_ptr<PlanApplier> desktopApplier(
    AppliedLedger &ledger, const QDBusConnection &sessionBus, const QDBusConnection &systemBus)
{
    // Plasma writes the performance profile and brightness into its own profiles: it comes ahead
    // of power-profiles-daemon and logind, so they never set them too.
    if (isDesktop(sessionBus, QStringLiteral("org.kde.Solid.PowerManagement"), QStringLiteral("KDE")))
        return std::make_unique<PlasmaApplier>(ledger, sessionBus, PlasmaApplier::sessionVersion());
    if (isDesktop(sessionBus, QStringLiteral("org.gnome.SettingsDaemon.Power"), QStringLiteral("GNOME")))
        return std::make_unique<GnomeApplier>(ledger, sessionBus, systemBus);
    if (isDesktop(sessionBus, QStringLiteral("org.xfce.PowerManager"), QStringLiteral("XFCE")))
        return std::make_unique<XfceApplier>(ledger, sessionBus);
    if (isDesktop(sessionBus, QStringLiteral("org.mate.PowerManager"), QStringLiteral("MATE")))
        return std::make_unique<GSettingsPowerApplier>(ledger, GSettingsPowerLayout::mate());
    if (isDesktop(sessionBus, QStringLiteral("org.cinnamon.SettingsDaemon.Power"), QStringLiteral("X-Cinnamon")))
        return std::make_unique<GSettingsPowerApplier>(ledger, GSettingsPowerLayout::cinnamon());
    return nullptr;
}

} // namespace

ApplyBackends createApplyBackends(bool running)
{
    ApplyBackends backends;
    backends.ledger = std::make_unique<AppliedLedger>();
    const QDBusConnection sessionBus = QDBusConnection::sessionBus();
    const QDBusConnection systemBus = QDBusConnection::systemBus();
    backends.events = std::make_unique<PowerEventMonitor>(systemBus);

    std::vector<std::unique_ptr<PlanApplier>> appliers;
    if (std::unique_ptr<PlanApplier> desktop = desktopApplier(*backends.ledger, sessionBus, systemBus))
        appliers.push_back(std::move(desktop));
    else
        appliers.push_back(std::make_unique<ResidentApplier>(*backends.ledger, systemBus,
            running ? ResidentApplier::Presence::Running : ResidentApplier::Presence::NotRunning));
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
