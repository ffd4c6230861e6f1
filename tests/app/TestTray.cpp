// SPDX-License-Identifier: GPL-3.0-or-later
// The window and the tray on a real X display: with a tray host (trayer) the close box, -hideme
// and the icon's menu move the window in and out of the tray; with none, the close box minimises
// the window and says so through the notification service (dunst). Run by with-desktop.sh.
#include "AboutDialog.h"
#include "CommandId.h"
#include "DesktopNotifications.h"
#include "FakeServices.h"
#include "FakeShellOpener.h"
#include "MainWindow.h"
#include "Profile.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

using Profile::writeSetting;

using namespace Qt::StringLiterals;

namespace {

QWidget *shownBalloon()
{
    const auto windows = QApplication::topLevelWidgets();
    const auto it = std::find_if(windows.cbegin(), windows.cend(), [](const QWidget *window) {
        return window->isVisible() && qstrcmp(window->metaObject()->className(), "QBalloonTip") == 0;
    });
    return it == windows.cend() ? nullptr : *it;
}

QAction *menuItem(TrayIcon &tray, const QString &text)
{
    const auto actions = tray.menu()->actions();
    const auto it
        = std::find_if(actions.cbegin(), actions.cend(), [&](const QAction *action) { return action->text() == text; });
    return it == actions.cend() ? nullptr : *it;
}

// What the notification service has shown, as dunst keeps it once the notifications are closed.
QString shownNotifications()
{
    QProcess::execute(u"dunstctl"_s, { u"close-all"_s });
    QProcess history;
    history.start(u"dunstctl"_s, { u"history"_s });
    history.waitForFinished();
    return QString::fromUtf8(history.readAllStandardOutput());
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        if (qEnvironmentVariableIsEmpty("AMPORA_TEST_TRAY"))
            QSKIP("needs an X display and a session bus: run through with-desktop.sh");
        m_fake = std::make_unique<FakeServices>(
            "[Ampora]\nIDS_CAPTION=Ampora\nIDS_IS_RUNNING=is still running\nIDS_IS_MINIMIZED=was minimised\n");
        m_fake->platform.setActiveDirectly(m_fake->platform.addScheme(u"Balanced"_s));
        m_notifications = std::make_unique<DesktopNotifications>();
        if (trayExpected())
            QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    }

    void closeBoxAndHiddenStartGoIntoTheTray()
    {
        if (!trayExpected())
            QSKIP("needs a tray host");
        // Without the setting the close box ends the program.
        auto frame = makeFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        frame->close();
        QVERIFY(!frame->isVisible());
        QVERIFY(!frame->tray().exists());

        // A hidden start goes straight to the tray, the icon really embedded in the host's panel; a
        // later start's show request brings the window back and leaves the icon.
        frame = makeFrame();
        frame->startHidden();
        QVERIFY(!frame->isVisible());
        QTRY_VERIFY(!frame->tray().icon()->geometry().isEmpty());
        frame->showRequest();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QVERIFY(frame->tray().exists());

        // With the setting the close box hides the window there, and the balloon says where it went,
        // through the desktop's notification service.
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"TRUE"_s));
        const qsizetype shownBefore = shownNotifications().count(u"is still running"_s);
        frame->close();
        QVERIFY(!frame->isVisible());
        QVERIFY(frame->isHiddenInTray());
        QVERIFY(frame->tray().exists());
        QTRY_VERIFY(shownNotifications().count(u"is still running"_s) > shownBefore);
        QVERIFY(!shownBalloon());

        // A session without a notification service gets Qt's balloon, pointing at the icon in the
        // panel, not at the screen's corner.
        frame.reset();
        m_notifications = std::make_unique<DesktopNotifications>(QDBusConnection(u"no bus"_s));
        frame = makeFrame();
        frame->close();
        QTRY_VERIFY(shownBalloon());
        const QRect icon = frame->tray().icon()->geometry();
        QVERIFY(!icon.isEmpty() && shownBalloon()->frameGeometry().adjusted(-24, -24, 24, 24).intersects(icon));
    }

    void trayMenuRestoresOpensAboutAndExits()
    {
        if (!trayExpected())
            QSKIP("needs a tray host");
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"TRUE"_s));
        auto frame = makeFrame();
        frame->close();
        QVERIFY(frame->tray().exists());

        // Minimize/Maximize brings the window back and takes the icon away.
        menuItem(frame->tray(), u"Minimize/Maximize"_s)->trigger();
        QVERIFY(frame->isVisible());
        QVERIFY(!frame->isHiddenInTray());
        QVERIFY(!frame->tray().exists());

        // So does the icon's own click.
        frame->close();
        Q_EMIT frame->tray().icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(frame->isVisible());
        QVERIFY(!frame->tray().exists());

        // About... opens the About box from the tray.
        frame->close();
        bool aboutShown = false;
        QTimer::singleShot(0, frame.get(), [&] {
            QTRY_VERIFY(qobject_cast<AboutDialog *>(QApplication::activeModalWidget()));
            aboutShown = true;
            QApplication::activeModalWidget()->close();
        });
        menuItem(frame->tray(), u"About..."_s)->trigger();
        QVERIFY(aboutShown);

        // Exit ends the program even though the close box would only hide it.
        menuItem(frame->tray(), u"Exit"_s)->trigger();
        QVERIFY(!frame->isVisible());
        QVERIFY(!frame->tray().exists());
    }

    void withoutATrayTheCloseBoxMinimisesAndFollowsTheHost()
    {
        if (trayExpected())
            QSKIP("needs a desktop without a tray host");
        QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.Notifications"_s));
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"TRUE"_s));
        auto frame = makeFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        // Hidden, the window could not be found again: it is minimised, and the notification says so.
        frame->close();
        QVERIFY(frame->isVisible());
        QTRY_VERIFY(frame->isMinimized());
        QVERIFY(!frame->tray().exists());
        QTRY_VERIFY(shownNotifications().contains(u"was minimised"_s));

        // A tray host that starts later is used; when it goes away, the window comes back minimised.
        QProcess host;
        host.start(u"trayer"_s, { u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s, u"--widthtype"_s, u"request"_s });
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
        frame->showRequest();
        frame->close();
        QVERIFY(!frame->isVisible());
        QVERIFY(frame->isHiddenInTray());
        host.kill();
        host.waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(frame->isVisible() && frame->isMinimized(), 10000);
        QVERIFY(!frame->isHiddenInTray());
        QVERIFY(!frame->tray().exists());
    }

private:
    bool trayExpected() const { return qgetenv("AMPORA_TEST_TRAY") == "1"; }
    std::unique_ptr<MainWindow> makeFrame()
    {
        auto frame = std::make_unique<MainWindow>(m_fake->services(), DesktopServices { m_opener, *m_notifications });
        frame->showRequest();
        return frame;
    }

    std::unique_ptr<FakeServices> m_fake;
    FakeShellOpener m_opener;
    std::unique_ptr<DesktopNotifications> m_notifications;
};

QTEST_MAIN(TestTray)
#include "TestTray.moc"
