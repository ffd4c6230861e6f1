#include "CAmporaApp.h"

#include "CMainfrm.h"
#include "CommandLine.h"
#include "MessageBox.h"
#include "PlanSwitch.h"
#include "PlatformServices.h"
#include "PowerPlatform.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "SingleInstance.h"
#include "UiFonts.h"

#include <QApplication>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

bool HasGraphicalSession()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

CAmporaApp::CAmporaApp(int &argc, char **argv)
    : m_argc(argc)
    , m_argv(argv)
{
}

int CAmporaApp::run()
{
    SharedStrings &strings = sharedStrings();
    strings.commandLine = JoinArguments(argumentsOf(m_argc, m_argv));
    ResolveSharedPaths(strings, CurrentExecutableFile());
    strings.appTitle = LoadText(u"IDS_CAPTION");

    SingleInstance instance;
    if (!instance.tryBecomeFirst()) {
        handOverToRunningCopy();
        return 0;
    }
    const bool setActivePlan = ClassifyCommandLine(strings.commandLine) == CommandLineForm::SetActivePlan;
    std::unique_ptr<PowerPlatform> platform = CreatePowerPlatform(strings);
    PlanSwitchOutcome outcome;
    if (setActivePlan) {
        outcome = SwitchPlanFromCommandLine(*platform, strings.commandLine);
        if (outcome.result == PlanSwitchOutcome::Result::SwitchedQuietly)
            return 0;
    }
    if (!HasGraphicalSession()) {
        if (!setActivePlan)
            std::fputs("ampora: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)\n", stderr);
        return 0;
    }

    QApplication app(m_argc, m_argv);
    QApplication::setApplicationName(QStringLiteral("ampora"));
    QApplication::setQuitOnLastWindowClosed(false);
    RegisterFontSubstitutes();

    CMainfrm frame(*platform);
    instance.listen([&frame](const InstanceMessage &message) { return frame.handleInstanceMessage(message); });
    if (setActivePlan) {
        // The window stays hidden; a later plain start brings it up.
        if (outcome.result == PlanSwitchOutcome::Result::SwitchedAnnounce)
            frame.showPlanChangedPopup(outcome.planName, 99);
    } else {
        frame.showRequest();
        if (strings.commandLine == QStringLiteral("-hideme"))
            frame.hideToTray();
    }
    app.exec();
    return 0;
}

void CAmporaApp::handOverToRunningCopy() const
{
    InstanceMessage message;
    const QString &commandLine = sharedStrings().commandLine;
    if (ClassifyCommandLine(commandLine) == CommandLineForm::SetActivePlan) {
        message.kind = InstanceMessage::Kind::CopyData;
        message.text = commandLine;
    }
    SingleInstance::SendToRunningCopy(message);
}
