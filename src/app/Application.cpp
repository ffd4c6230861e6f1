// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include "DesktopNotifications.h"
#include "DisplayProbe.h"
#include "GuiStart.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "NotificationStack.h"
#include "PlanFollower.h"
#include "PlatformServices.h"
#include "Profile.h"
#include "ResidentServices.h"
#include "SharedStrings.h"
#include "SingleInstance.h"
#include "UiFonts.h"
#include "UserReport.h"

#include <QApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QTimer>
#include <cstdio>
#include <optional>

using ApplierFactory::applyActivePlanOnce;
using Profile::loadText;
using Program::sharedStrings;
using UserReport::reportToUser;

namespace {

// The longest a shown window waits for its first drawing before the running copy starts following.
constexpr int kResidentLatestMs = 2000;

// A window cannot choose its place on Wayland, and nobody sees one on the offscreen platform: the
// popups go to the desktop's notification service, with their texts and picture.
void routePopupsToDesktop(DesktopNotifications &notifications)
{
    NotificationStack::instance().routeToDesktop([&notifications](const QString &title, const QString &body,
                                                     const QImage &picture, int displayMs,
                                                     std::function<void()> taken) {
        const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
        const QByteArray bytes(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes());
        notifications.notify(title, body, displayMs, { rgba.width(), rgba.height(), int(rgba.bytesPerLine()), bytes },
            [taken = std::move(taken)](bool) { taken(); });
    });
}

} // namespace

Application::Application(GuiStart &start)
    : m_start(start)
{
}

int Application::run()
{
    // Read here rather than in the quick start-up, which never shows a title.
    sharedStrings().appTitle = loadText(u"IDS_CAPTION");
    if (!m_start.lock->isHeld()) {
        handOverToRunningCopy();
        return 0;
    }
    return runFirstCopy();
}

int Application::runFirstCopy()
{
    std::optional<DisplayProbe> display(
        std::in_place, m_start.setActivePlan ? DisplayProbe::Need::Announcement : DisplayProbe::Need::Window);
    if (!display->problem().isEmpty()) {
        reportToUser(QStringLiteral("ampora: Window Creation fails: %1").arg(display->problem()));
        return 0;
    }
    if (m_start.windowless) {
        // The offscreen platform complains of window hints it cannot pass on, which nobody sees.
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    }
    QApplication app(m_start.argc, m_start.argv);
    display.reset(); // the application has its own connection now
    QApplication::setApplicationName(QStringLiteral("ampora"));
    // Lets the desktop match the window to its launcher entry (on Wayland it has nothing else).
    QGuiApplication::setDesktopFileName(QStringLiteral(AMPORA_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    registerFontSubstitutes();

    PlatformServices backends(sharedStrings());
    // Only the copy that stays keeps the plan applied; it outlives the window that shows it.
    std::optional<ResidentServices> resident;
    SingleInstance instance(std::move(m_start.lock));
    MainWindow frame(backends.services(), backends.desktop());
    // Without a display of its own the frame only announces, so it never needs a native window.
    if (!m_start.windowless && !frame.winId()) {
        MessageBox::information(nullptr, QStringLiteral("Ampora"), QStringLiteral("Window Creation fails"));
        return 0;
    }
    if (m_start.windowless || QGuiApplication::platformName().startsWith(u"wayland"))
        routePopupsToDesktop(backends.desktop().notifications);
    // Without the socket this copy still runs; later copies then start a window of their own.
    if (const Result<> listening
        = instance.listen([&frame](const InstanceMessage &message) { return frame.handleInstanceMessage(message); });
        !listening)
        reportToUser(QStringLiteral("ampora: %1").arg(listening.failure().message));
    if (m_start.setActivePlan) {
        // The window stays hidden; a later plain start brings it up.
        if (m_start.outcome.effect == PlanSwitchOutcome::Effect::SwitchedAnnounce) {
            applyActivePlanOnce(backends.services().platform);
            frame.showPlanChangedPopup(m_start.outcome.planName, AfterPopup::EndProgram);
        }
    } else {
        // A hidden start goes straight into the tray: the window is never mapped, so nothing is
        // drawn for it and it holds no picture of itself until it is first shown.
        if (sharedStrings().commandLine == QStringLiteral("-hideme"))
            frame.startHidden();
        else
            frame.showRequest();
        // The desktop and the daemons are asked what they offer once the window has been drawn
        // (at once for a hidden start), so a slow one never delays it.
        const auto startResident = [&] {
            if (resident)
                return;
            resident.emplace(backends.services().platform);
            frame.follow(resident->follower(), resident->events(), resident->networkSwitch());
            frame.announceSwitches(resident->powerSwitch());
            resident->follower().start();
        };
        QObject::connect(&frame, &MainWindow::firstPainted, &frame, startResident, Qt::QueuedConnection);
        // A window that is never drawn (minimised by the desktop at once) still follows the plan.
        QTimer::singleShot(frame.isVisible() ? kResidentLatestMs : 0, &frame, startResident);
    }
    app.exec();
    return 0;
}

void Application::handOverToRunningCopy() const
{
    InstanceMessage message;
    if (m_start.setActivePlan) {
        message.kind = InstanceMessage::Kind::CopyData;
        message.text = sharedStrings().commandLine;
    }
    SingleInstance::sendToRunningCopy(message);
}
