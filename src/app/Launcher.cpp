#include "Launcher.h"

#include "ApplierFactory.h"
#include "CommandLine.h"
#include "DisplayProbe.h"
#include "GuiStart.h"
#include "PowerPlatform.h"
#include "PowerPlatformFactory.h"
#include "SharedStrings.h"
#include "UserReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

using ApplierFactory::applyActivePlanOnce;
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

// A display to draw on: X11, Wayland, or a platform plugin chosen explicitly (offscreen tests).
bool hasGraphicalSession()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The window module sits beside the program (build tree, portable copy), or in the installed
// library folder relative to it.
QStringList guiModuleCandidates(const QString &executableFolder)
{
    const QString name = QStringLiteral("/ampora-gui.so");
    return { executableFolder + name, executableFolder + QStringLiteral("/" AMPORA_GUI_MODULE_RELATIVE_DIR) + name };
}

} // namespace

Launcher::Launcher(int &argc, char **argv)
    : m_argc(argc)
    , m_argv(argv)
{
}

int Launcher::run()
{
    SharedStrings &strings = sharedStrings();
    strings.commandLine = joinArguments(argumentsOf(m_argc, m_argv));
    resolveSharedPaths(strings, currentExecutableFile());

    GuiStart start { m_argc, m_argv, std::make_unique<InstanceLock>(), false, {} };
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
        const QString problem = DisplayProbe().problem(); // the window probes again, holding X
        if (problem.isEmpty())
            return runWindowModule(start);
        reportToUser(QStringLiteral("ampora: Window Creation fails: %1").arg(problem));
    }
    applyHere(*platform);
    return 0;
}

void Launcher::applyHere(const PowerPlatform &platform) const
{
    const QCoreApplication app(m_argc, m_argv); // the bus connections need one
    applyActivePlanOnce(platform);
}

int Launcher::runWindowModule(GuiStart &start) const
{
    QStringList errors;
    for (const QString &candidate : guiModuleCandidates(QFileInfo(sharedStrings().executableFile).absolutePath())) {
        QLibrary module(candidate);
        if (auto entry = reinterpret_cast<GuiEntryFunction>(module.resolve(kGuiEntryName)))
            return entry(start);
        errors.append(module.errorString());
    }
    reportToUser(QStringLiteral("ampora: cannot load the window module: %1").arg(errors.join(QStringLiteral("; "))));
    // A switch made for the window to announce still takes effect.
    if (start.outcome.effect != PlanSwitchOutcome::Effect::NotSwitched)
        applyHere(*createPowerPlatform(sharedStrings()));
    return 0;
}
