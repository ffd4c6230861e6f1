// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include "DesktopNotifications.h"
#include "FakeServices.h"
#include "FakeShellOpener.h"
#include "Guid.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "NotificationStack.h"
#include "NotificationStrip.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PlanEditorDialog.h"
#include "PlanListPage.h"
#include "PlanTaskWriter.h"
#include "Profile.h"
#include "ReportList.h"
#include "SchedulesPage.h"
#include "SharedStrings.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

using Profile::writeSetting;

using CommandLine::setActivePlanArguments;
using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using Program::sharedStrings;

class RecordingPage : public Page
{
    Q_OBJECT
public:
    // Like every real page, it fixes the frame's size and buttons as it is made.
    RecordingPage(QWidget *parent, CommandActions *commands)
        : Page(parent, commands)
    {
        holdFrameSize();
    }
    void refresh() override { ++refreshes; }
    void titleReloaded() override { ++titleReloads; }
    int refreshes = 0;
    int titleReloads = 0;
};

class TestMainFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_frame.reset();
        m_fake = std::make_unique<FakeServices>("[Ampora]\nIDS_CAPTION=Ampora\nIDS_POWER_PLAN_CHANGE_BODY=Now %s\n");
        m_platform = &m_fake->platform;
        m_balanced = m_platform->addScheme(u"Balanced"_s);
        m_saver = m_platform->addScheme(u"Power saver"_s);
        m_builtKinds.clear();
        m_frame = std::make_unique<MainWindow>(
            services(), desktop(), [this](PageKind kind, const PageServices &pageServices, QWidget *parent) {
                m_builtKinds.append(kind);
                return new RecordingPage(parent, pageServices.commands);
            });
    }

    void navigationCommandsSwitchPagesThatFillTheFrame()
    {
        QCOMPARE(m_frame->currentPageKind(), PageKind::Summary);
        QCOMPARE(m_frame->size(), Page::kFrameSize);
        QVERIFY(m_builtKinds.isEmpty()); // a start into the tray makes no page, and no icon
        QVERIFY(m_frame->windowIcon().isNull());
        m_frame->show(); // a hidden window takes its resize only when it is shown
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        // One page, made before the window is mapped: fixing the frame's buttons on a window being
        // shown would hide and show it again, and the second show would make a second page.
        QCOMPARE(m_builtKinds, QList<PageKind> { PageKind::Summary });
        QCOMPARE(m_frame->findChildren<Page *>().size(), 1);
        QVERIFY(!m_frame->windowIcon().isNull());
        m_frame->setFixedSize(1200, 700); // the first page fixed the frame's size
        QCOMPARE(m_frame->currentPage()->geometry(), QRect(0, 0, 1200, 700));
        const std::pair<const char *, PageKind> routes[] = {
            { "managePlans", PageKind::PlanList },
            { "showSchedules", PageKind::ScheduledPlans },
            { "showSummary", PageKind::Summary },
            { "createPlan", PageKind::PlanList },
        };
        for (const auto &[command, kind] : routes) {
            QPointer<Page> before = m_frame->currentPage();
            this->command(*m_frame, command)->trigger();
            QCOMPARE(m_frame->currentPageKind(), kind);
            QCOMPARE(m_builtKinds.last(), kind);
            QVERIFY(before.isNull()); // the old page is gone, never reused
            QCOMPARE(m_frame->currentPage()->geometry(), m_frame->rect());
        }
        // Pages offer the frame's own actions.
        const auto *settings = m_frame->currentPage()->findChild<PictureButton *>(u"openSettings"_s);
        QCOMPARE(settings->action(), command(*m_frame, "openSettings"));
    }

    void storeChangesAndHandedOverMessagesReachTheFrame()
    {
        using Kind = InstanceMessage::Kind;
        auto *page = qobject_cast<RecordingPage *>(m_frame->currentPage());
        QVERIFY(page);
        QVERIFY(m_platform->setActiveScheme(m_saver)); // the store reports the change from the event loop
        QTRY_COMPARE(page->refreshes, 1);
        m_fake->tasks.addTask({ u"AMPCTL0"_s, true, std::nullopt });
        QCOMPARE(page->refreshes, 2);
        QSignalSpy network(m_frame.get(), &MainWindow::networkSchedulesChanged);
        QCOMPARE(m_frame->handleInstanceMessage({ Kind::NetworkSchedulesChanged, 0, {} }), 1);
        QCOMPARE(page->refreshes, 3);
        QCOMPARE(network.size(), 1);

        InstanceMessage ack { Kind::CopyData, 1, u"anything"_s };
        QCOMPARE(m_frame->handleInstanceMessage(ack), 1);
        ack.tag = 2;
        QCOMPARE(m_frame->handleInstanceMessage(ack), 1);
        QCOMPARE(m_frame->handleInstanceMessage({ Kind::CopyData, 0, u"hello"_s }), 0);
        // An empty hand-over reloads the texts.
        m_fake->env.writeFile(u"program/ampctleng.ini"_s, "[Ampora]\nIDS_CAPTION=Renamed\n");
        QCOMPARE(m_frame->handleInstanceMessage({ Kind::CopyData, 0, QString() }), 1);
        QCOMPARE(m_frame->windowTitle(), u"Renamed"_s);
        QCOMPARE(sharedStrings().appTitle, u"Renamed"_s);
        QCOMPARE(page->titleReloads, 1);

        QVERIFY(!m_frame->isVisible());
        QCOMPARE(m_frame->handleInstanceMessage({ Kind::ShowRequest, 0, {} }), 1);
        QVERIFY(m_frame->isVisible());

        MessageBox::setNextAnswer(QMessageBox::Ok);
        m_frame->applyCommandLine(u"-setactive"_s, false);
        QCOMPARE(MessageBox::lastText(), u"Unknown Parameter"_s);
    }

    void handedOverSwitchesStackTheirPopups()
    {
        // Two switches in a row: the second popup takes the next place instead of covering the first.
        const NotificationStack &stack = NotificationStack::instance();
        const qsizetype before = stack.popups().size();
        for (const QUuid &plan : { m_saver, m_balanced }) {
            const QString line = setActivePlanArguments(plan);
            QCOMPARE(m_frame->handleInstanceMessage({ InstanceMessage::Kind::CopyData, 0, line }), 1);
            QCOMPARE(m_platform->activeScheme().valueOr({}), plan);
            QCOMPARE(sharedStrings().commandLine, line);
        }
        QCOMPARE(stack.popups().size(), before + 2);
        const QRect first = stack.popups().at(before)->finalRect();
        const QRect second = stack.popups().at(before + 1)->finalRect();
        QVERIFY(!first.intersects(second));
    }

    void createPlanOpensTheEditorOverThePlanList()
    {
        m_platform->setActiveDirectly(m_saver);
        MainWindow frame(services(), desktop()); // the program's own pages
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        command(frame, "createPlan")->trigger(); // the editor opens once the command has returned
        QVERIFY(qobject_cast<PlanListPage *>(frame.currentPage()));
        bool opened = false;
        QTimer::singleShot(0, &frame, [&] {
            QTRY_VERIFY(qobject_cast<PlanEditorDialog *>(QApplication::activeModalWidget()));
            auto *editor = qobject_cast<PlanEditorDialog *>(QApplication::activeModalWidget());
            QCOMPARE(editor->parentWidget(), frame.currentPage());
            QCOMPARE(editor->mode(), PlanEditorDialog::Mode::Create);
            QCOMPARE(editor->plan(), m_saver);
            opened = true;
            editor->reject();
        });
        QTRY_VERIFY(opened);
    }

    // Without a tray host (none here) a hidden window could not be found again: a hidden start and
    // the close box minimise it instead, and a later start's show request brings it back.
    void withoutATrayHostHiddenStartAndCloseBoxMinimise()
    {
        QVERIFY(writeSetting(SettingKey::CloseToTray, u"TRUE"_s));
        m_frame->startHidden();
        QVERIFY(m_frame->isVisible() && m_frame->isMinimized());
        QVERIFY(!m_frame->isHiddenInTray());
        m_frame->showRequest();
        QVERIFY(!m_frame->isMinimized());
        m_frame->close();
        QVERIFY(m_frame->isVisible() && m_frame->isMinimized());
        QVERIFY(!m_frame->isHiddenInTray());
        QVERIFY(!m_frame->tray().exists());
    }

private:
    QAction *command(const MainWindow &frame, const char *name) const
    {
        return frame.findChild<QAction *>(QLatin1StringView(name));
    }
    DesktopServices desktop() { return DesktopServices { m_opener, m_notifications }; }
    Services services() { return m_fake->services(); }

    std::unique_ptr<FakeServices> m_fake;
    FakePowerPlatform *m_platform = nullptr;
    FakeShellOpener m_opener;
    DesktopNotifications m_notifications;
    std::unique_ptr<MainWindow> m_frame;
    QUuid m_balanced;
    QUuid m_saver;
    QList<PageKind> m_builtKinds;
};

QTEST_MAIN(TestMainFrame)
#include "TestMainFrame.moc"
