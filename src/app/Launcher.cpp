#include "Launcher.h"

#include "ApplierFactory.h"
#include "CommandLine.h"
#include "GuiStart.h"
#include "PlatformServices.h"
#include "PowerPlatform.h"
#include "SharedStrings.h"
#include "UserReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <cstdio>

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
    // Two scheduled switches at the same moment: the later one waits for the first to end and
    // then switches itself, unless the first copy is a window that takes the hand-over.
    if (start.lock->tryAcquire() || (start.setActivePlan && start.lock->acquireOnceOthersEnd())) {
        if (start.setActivePlan) {
            const std::unique_ptr<PowerPlatform> platform = createPowerPlatform(strings);
            start.outcome = switchPlanFromCommandLine(*platform, strings.commandLine);
            // Only a switch to announce on a display needs a window; anything else ends here, so
            // that the service of a scheduled start always finishes. The window applies what it
            // announces.
            const bool announce
                = start.outcome.effect == PlanSwitchOutcome::Effect::SwitchedAnnounce && hasGraphicalSession();
            if (start.outcome.effect != PlanSwitchOutcome::Effect::NotSwitched && !announce) {
                const QCoreApplication app(m_argc, m_argv); // the bus connections need one
                applyActivePlanOnce(*platform);
            }
            if (!announce)
                return 0;
        }
        if (!hasGraphicalSession()) {
            if (!start.setActivePlan)
                reportToUser(
                    QStringLiteral("ampora: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)"));
            return 0;
        }
    }
    return runWindowModule(start);
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
    return 0;
}
