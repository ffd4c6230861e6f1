// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkLabel.h"
#include "NetworkScheduleFile.h"
#include "NotificationStrip.h"
#include "PageTestSupport.h"
#include "PowerTriggerFile.h"
#include "SummaryPage.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;

using namespace Qt::StringLiterals;

namespace {

// Plans whose enumeration can be held at a gate, to watch the page while its worker runs.
class GatedPowerPlatform : public FakePowerPlatform
{
public:
    Result<QList<QUuid>> schemes() const override
    {
        ++loads;
        worker = QThread::currentThread();
        if (gated)
            gate.tryAcquire(1, 10000); // a failing test must not hang the suite
        return FakePowerPlatform::schemes();
    }

    bool gated = false;
    mutable std::atomic<int> loads = 0;
    mutable std::atomic<QThread *> worker = nullptr;
    mutable QSemaphore gate;
};

QList<NotificationStrip *> shownPopups()
{
    QList<NotificationStrip *> popups;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *popup = qobject_cast<NotificationStrip *>(window))
            popups.append(popup);
    }
    return popups;
}

QString line(const QWidget &page, const QString &name)
{
    return page.findChild<QLabel *>(name)->text();
}

} // namespace

class TestSummaryPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fixture.start(FakeServices::programLanguage());
        m_fixture.battery.status = { 1, SystemPowerStatus::FlagNoBattery, 255, -1 };
        m_platform = std::make_unique<GatedPowerPlatform>();
        const QUuid balanced = m_platform->addScheme(u"Balanced"_s);
        const QUuid saver = m_platform->addScheme(u"Power saver"_s);
        m_platform->addScheme(u"High performance"_s);

        // Two timed schedules, a network and a power schedule, written the way the program writes them.
        const PowerPlanList plans = loadPowerPlans(*m_platform).value();
        QVERIFY(schedulePlan(*m_fixture.tasks, plans, balanced));
        QVERIFY(schedulePlan(*m_fixture.tasks, plans, saver));
        QVERIFY(saveNetworkSchedule(
            *m_platform, { u"Home"_s, QUuid::createUuid(), true }, plans.at(findPlan(plans, saver).value())));
        QVERIFY(PowerTriggerFile::save(
            *m_platform, plans.at(findPlan(plans, saver).value()), PowerTrigger::Event::OnBattery, 0));
    }

    void cleanup() { qDeleteAll(shownPopups()); }

    void totalsNameTheActivePlanAndCountEverything()
    {
        const auto page = makePage();
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(line(*page, u"activePlanLine"_s), u"Active power plan\t\t: Balanced"_s);
        QCOMPARE(line(*page, u"planCountLine"_s), u"Total power plans\t\t: 3"_s);
        QCOMPARE(line(*page, u"scheduleCountLine"_s), u"Scheduled power plans\t: 4"_s);

        // A change made elsewhere shows after the frame's refresh.
        const QUuid quiet = m_platform->addScheme(u"Quiet"_s);
        m_platform->setActiveDirectly(quiet);
        page->refresh();
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(line(*page, u"activePlanLine"_s), u"Active power plan\t\t: Quiet"_s);
        QCOMPARE(line(*page, u"planCountLine"_s), u"Total power plans\t\t: 4"_s);

        // The active plan's name cannot be read, so the plan list leaves it out and the name is empty.
        m_platform->failNameOf(quiet);
        page->refresh();
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(line(*page, u"activePlanLine"_s), u"Active power plan\t\t: "_s);
        QCOMPARE(line(*page, u"planCountLine"_s), u"Total power plans\t\t: 3"_s);
    }

    void reloadRunsOnAWorkerWhileThePageWaits()
    {
        m_platform->gated = true;
        m_platform->loads = 0;
        const auto page = makePage();
        QSignalSpy reloaded(page.get(), &SummaryPage::reloaded);
        QTRY_COMPARE(m_platform->loads.load(), 1);
        QVERIFY(m_platform->worker.load() != QThread::currentThread());
        QVERIFY(!page->isEnabled());
        QVERIFY(m_fixture.pleaseWait->isVisible());

        // Asked twice meanwhile: one more reload, after the running one.
        page->refresh();
        page->refresh();
        m_platform->gate.release();
        QTRY_COMPARE(m_platform->loads.load(), 2);
        QCOMPARE(reloaded.size(), 1);
        QVERIFY(!page->isEnabled());
        m_platform->gate.release();
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(reloaded.size(), 2);
        QCOMPARE(m_platform->loads.load(), 2);
        QVERIFY(!m_fixture.pleaseWait->isVisible());
        QCOMPARE(line(*page, u"scheduleCountLine"_s), u"Scheduled power plans\t: 4"_s);
    }

    void batteryLinkOnlyWithASystemBatteryShowsItsState()
    {
        // Only a system battery brings the link; the link to change the plan is always there.
        const auto without = makePage();
        QVERIFY(without->findChild<LinkLabel *>(u"batteryLink"_s)->isHidden());
        QVERIFY(!without->findChild<LinkLabel *>(u"changePlanLink"_s)->isHidden());
        WAIT_FOR_RELOAD(*without);

        m_fixture.battery.status = { 0, 0, 55, 3660 };
        const auto page = makePage();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        WAIT_FOR_RELOAD(*page);
        LinkLabel *link = page->findChild<LinkLabel *>(u"batteryLink"_s);
        QVERIFY(link->isVisible());
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QTRY_COMPARE(shownPopups().size(), 1);
        QCOMPARE(page->shownBatteryPopup().title, u"Battery status\t: Discharging"_s);
        QCOMPARE(
            page->shownBatteryPopup().body, u"Power source\t: Battery\nRemaining\t: 55%\nLasts for\t: 1 h 1 min\n"_s);
    }

    void buttonsTilesAndHelpReachTheFrame()
    {
        const auto page = makePage();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        WAIT_FOR_RELOAD(*page);
        // By a click, and from the keyboard once focused, each button triggers its action.
        for (const char *name : { "openSettings", "createPlan", "managePlans", "showSchedules" }) {
            PictureButton *button = buttonOf(*page, QLatin1StringView(name));
            QSignalSpy triggered(button->action(), &QAction::triggered);
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, 4));
            button->setFocus(Qt::TabFocusReason);
            QTest::keyClick(button, qstrcmp(name, "createPlan") == 0 ? Qt::Key_Space : Qt::Key_Return);
            QTRY_COMPARE(triggered.size(), 2);
        }

        // Help drops down, from the Help button (the screen may push it sideways), a menu offering About.
        PictureButton *help = buttonOf(*page, u"showHelpMenu"_s);
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(4, 8));
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), u"About"_s);
        QVERIFY(!menu->actions().first()->icon().isNull());
        QCOMPARE(menu->pos().y(), help->mapToGlobal(QPoint(0, help->height())).y());
        QSignalSpy about(actionOf(*page, u"showAbout"_s), &QAction::triggered);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_COMPARE(about.size(), 1);

        // Put in a frame, the page holds it at its own size and takes away maximising.
        QWidget frame;
        frame.resize(1200, 700);
        frame.setWindowFlags(Qt::Window | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
        const PageFixture &f = m_fixture;
        auto *framed = new SummaryPage(
            PageServices { { *m_platform, *f.tasks, f.networks, f.battery, f.capabilities }, nullptr }, &frame);
        QCOMPARE(frame.size(), Page::kFrameSize);
        QCOMPARE(frame.minimumSize(), frame.maximumSize());
        QVERIFY(!frame.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(frame.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        WAIT_FOR_RELOAD(*framed);
    }

private:
    std::unique_ptr<SummaryPage> makePage() { return m_fixture.makePage<SummaryPage>(m_platform.get()); }

    PageFixture m_fixture;
    std::unique_ptr<GatedPowerPlatform> m_platform;
};

QTEST_MAIN(TestSummaryPage)
#include "TestSummaryPage.moc"
