// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launcher.h"

#include "AmporaVersion.h"
#include "AppliersModule.h"
#include "ApplyCoordinator.h"
#include "CommandLine.h"
#include "DisplayProbe.h"
#include "GuiStart.h"
#include "PlanFollower.h"
#include "PowerPlatform.h"
#include "PowerPlatformFactory.h"
#include "SharedStrings.h"
#include "SysfsBatteryStatusReader.h"
#include "SysfsCapabilityReader.h"
#include "UserReport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <optional>

using Applying::applyActivePlan;
using CommandLine::classifyCommandLine;
using CommandLine::joinArguments;
using PlanSwitch::switchPlanFromCommandLine;
using PowerPlatformFactory::createPowerPlatform;
using Program::currentExecutableFile;
using Program::resolveSharedPaths;
using Program::sharedStrings;
using UserReport::reportToUser;

namespace {

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

const char kHelp[] = R"(Usage: ampora [-hideme | -setactiveplan -{GUID}]
Keeps power plans and switches between them; one copy runs for each user, and a later start hands
its request to the running copy.

  (nothing)                 open the window, or bring the running copy's window to the front
  -hideme                   start in the tray without showing the window (the log-in start)
  -setactiveplan -{GUID}    make that plan the active one and announce it (scheduled switches)
  --help                    show this help and end
  --version                 show the version and end

The exit status is always 0. ampctl does the same from a terminal or a script: see ampctl --help.
)";

// "--help" and "--version" alone are answered before anything else: no lock, no plans, no window.
std::optional<QByteArray> informationAsked(const QStringList &arguments)
{
    if (arguments == QStringList(QStringLiteral("--help")))
        return QByteArray(kHelp);
    if (arguments == QStringList(QStringLiteral("--version")))
        return QByteArray("ampora ") + kAmporaVersion + '\n';
    return std::nullopt;
}

// A display to draw on: X11, Wayland, or a platform plugin chosen explicitly (offscreen tests).
bool hasGraphicalSession()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The window module and the appliers' library sit beside the program (build tree, portable copy),
// or in the installed library folder relative to it.
QStringList moduleCandidates(const char *fileName)
{
    const QString folder = QFileInfo(sharedStrings().executableFile).absolutePath();
    const QString name = u'/' + QString::fromLatin1(fileName);
    return { folder + name, folder + QStringLiteral("/" AMPORA_GUI_MODULE_RELATIVE_DIR) + name };
}

// The named function of the first candidate that loads, or null with why each could not.
QFunctionPointer resolveModule(const char *fileName, const char *function, QStringList &errors)
{
    for (const QString &candidate : moduleCandidates(fileName)) {
        QLibrary module(candidate);
        if (const QFunctionPointer entry = module.resolve(function))
            return entry;
        errors.append(module.errorString());
    }
    return nullptr;
}

// Whether a D-Bus address may lead to a bus. Only a Unix socket named by its path can be seen to
// be missing without connecting; any other kind of address (abstract socket, TCP) may answer.
bool mayReachBus(const QString &address)
{
    for (const QString &entry : address.split(u';', Qt::SkipEmptyParts)) {
        if (entry.section(u':', 0, 0) != u"unix")
            return true;
        const QStringList keys = entry.section(u':', 1).split(u',');
        const auto path
            = std::find_if(keys.cbegin(), keys.cend(), [](const QString &key) { return key.startsWith(u"path="); });
        if (path == keys.cend() || QFileInfo::exists(QUrl::fromPercentEncoding(path->mid(5).toUtf8())))
            return true;
    }
    return false;
}

// Whether anything on this session could take a plan's values: a session or system bus that may
// answer (at the address given, or where D-Bus looks without one), or a desktop that names itself,
// whose settings some appliers write as files. Without any, no applier would take a setting.
bool sessionMayTakeValues()
{
    QString session = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (session.isEmpty() && !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        session = QStringLiteral("unix:path=") + qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    QString system = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (system.isEmpty())
        system = QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
    return mayReachBus(session) || mayReachBus(system) || !qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP");
}

// Records the switch as the appliers would where nothing answers them: each setting this machine
// has is reported as one that no applier takes, with the power source read from the kernel.
void recordWithoutAppliers(const PowerPlatform &platform)
{
    const Result<PlanCapabilities> capabilities = SysfsCapabilityReader().read();
    ApplyCoordinator coordinator({}, capabilities ? std::optional<PlanCapabilities>(*capabilities) : std::nullopt);
    const PowerSource source = SysfsBatteryStatusReader().read().acLineStatus == 0 ? PowerSource::Dc : PowerSource::Ac;
    (void)applyActivePlan(platform, coordinator, source, ApplyReason::Activation);
}

} // namespace

Launcher::Launcher(int &argc, char **argv)
    : m_argc(argc)
    , m_argv(argv)
{
}

int Launcher::run()
{
    if (const std::optional<QByteArray> information = informationAsked(argumentsOf(m_argc, m_argv))) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly))
            out.write(*information);
        return 0;
    }
    SharedStrings &strings = sharedStrings();
    strings.commandLine = joinArguments(argumentsOf(m_argc, m_argv));
    resolveSharedPaths(strings, currentExecutableFile());

    GuiStart start { m_argc, m_argv, std::make_unique<InstanceLock>(), false, {}, false };
    start.setActivePlan = classifyCommandLine(strings.commandLine) == CommandLineForm::SetActivePlan;
    if (start.setActivePlan && start.lock->folder().isEmpty()) {
        // Without a private folder no running copy can be reached, and waiting for one would only
        // delay a scheduled switch that then never happens.
        reportToUser(QStringLiteral("ampora: no private runtime folder can be used, so the plan is switched here "
                                    "without asking a running copy"));
        return switchHere(start);
    }
    // Two scheduled switches at the same moment: the later one waits for the first to end and
    // then switches itself, unless the first copy is a window that takes the hand-over.
    if (start.lock->tryAcquire() || (start.setActivePlan && start.lock->acquireOnceOthersEnd())) {
        if (start.setActivePlan)
            return switchHere(start);
        if (!hasGraphicalSession()) {
            reportToUser(QStringLiteral("ampora: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)"));
            return 0;
        }
    }
    return runWindowModule(start);
}

int Launcher::switchHere(GuiStart &start) const
{
    const std::unique_ptr<PowerPlatform> platform = createPowerPlatform(sharedStrings());
    start.outcome = switchPlanFromCommandLine(*platform, sharedStrings().commandLine);
    if (start.outcome.effect == PlanSwitchOutcome::Effect::NotSwitched)
        return 0;
    // Only a switch to announce on a display that answers needs a window, which applies what it
    // announces; every other switch is applied here and ends, so that the service of a scheduled
    // start always finishes with the plan in effect.
    if (start.outcome.effect == PlanSwitchOutcome::Effect::SwitchedAnnounce && start.lock->isHeld()
        && hasGraphicalSession()) {
        QString problem;
        {
            const DisplayProbe probe(DisplayProbe::Need::Announcement); // the window probes again, holding X
            problem = probe.problem();
            start.windowless = probe.windowless();
        }
        if (problem.isEmpty())
            return runWindowModule(start);
        reportToUser(QStringLiteral("ampora: Window Creation fails: %1").arg(problem));
    }
    applyHere(*platform);
    return 0;
}

void Launcher::applyHere(const PowerPlatform &platform) const
{
    // D-Bus and GIO are loaded only when they may have someone to talk to.
    if (!sessionMayTakeValues()) {
        recordWithoutAppliers(platform);
        return;
    }
    const QCoreApplication app(m_argc, m_argv); // the bus connections need one
    QStringList errors;
    if (const QFunctionPointer entry
        = resolveModule(AppliersModule::kFileName, AppliersModule::kApplyActivePlanOnceName, errors)) {
        reinterpret_cast<AppliersModule::ApplyActivePlanOnceFunction>(entry)(platform);
        return;
    }
    reportToUser(QStringLiteral("ampora: cannot load the appliers' library, so the plan's values reach no desktop "
                                "or service: %1")
                     .arg(errors.join(QStringLiteral("; "))));
    recordWithoutAppliers(platform);
}

int Launcher::runWindowModule(GuiStart &start) const
{
    QStringList errors;
    if (const QFunctionPointer entry = resolveModule("ampora-gui.so", kGuiEntryName, errors))
        return reinterpret_cast<GuiEntryFunction>(entry)(start);
    reportToUser(QStringLiteral("ampora: cannot load the window module: %1").arg(errors.join(QStringLiteral("; "))));
    // A switch made for the window to announce still takes effect.
    if (start.outcome.effect != PlanSwitchOutcome::Effect::NotSwitched)
        applyHere(*createPowerPlatform(sharedStrings()));
    return 0;
}
