#include "LinkLabel.h"
#include "NetworkScheduleFile.h"
#include "NotificationStrip.h"
#include "PageTestSupport.h"
#include "SummaryPage.h"
#include "SysfsBatteryStatusReader.h"

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

namespace {

const QByteArray kLanguage = "[Ampora]\n"
                             "IDS_HELP=Help\nIDS_SETTINGS=Settings\nIDS_ABOUT=About\n"
                             "IDS_ACTIVE_POWER_PLAN=Active power plan\nIDS_TOTAL_POWER_PLANS=Total power plans\n"
                             "IDS_SCHEDULED_PLANS=Scheduled plans\n"
                             "IDS_CREATE_POWER_PLAN=Create a power plan\nIDS_MANAGE_POWER_PLAN=Manage power plans\n"
                             "IDS_SCHEDULE_POWER_PLAN=Schedule a power plan\n"
                             "IDS_CLICK_TO_CHANGE=Click here to change the active power plan\n"
                             "IDS_CLICK_TO_SHOW=Click here to show the battery status\n"
                             "IDS_BATTERY_STATUS=Battery status\nIDS_DISCHARGING=Discharging\n"
                             "IDS_POWER_SOURCE=Power source\nIDS_BATTERY=Battery\nIDS_AC_POWER=Plugged in\n"
                             "IDS_REMAINING=Remaining\nIDS_LASTS_FOR=Lasts for\nIDS_HR=h\nIDS_MIN=min\n";

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

QString sysfs(const char *name)
{
    return TestEnvironment::sourceFile(QStringLiteral("platform/data/sysfs/") + QLatin1StringView(name));
}

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

} // namespace

class TestSummaryPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void totalsNameTheActivePlanAndCountEverything();
    void reloadRunsOnAWorkerWhileThePageWaits();
    void batteryLinkOnlyWithASystemBatteryShowsItsState();
    void buttonsTilesAndHelpReachTheFrame();

private:
    std::unique_ptr<SummaryPage> makePage(const char *sysfsCase = "no-battery");
    QString line(const SummaryPage &page, const QString &name) const { return page.findChild<QLabel *>(name)->text(); }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<GatedPowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    FakeNetworkList m_networks;
    FakeCapabilityReader m_capabilities;
    std::unique_ptr<SysfsBatteryStatusReader> m_battery;
    std::unique_ptr<PleaseWaitDialog> m_pleaseWait;
    QUuid m_balanced;
};

void TestSummaryPage::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(QStringLiteral("program/ampctleng.ini"), kLanguage);
    m_platform = std::make_unique<GatedPowerPlatform>();
    m_balanced = m_platform->addScheme(QStringLiteral("Balanced"));
    const QUuid saver = m_platform->addScheme(QStringLiteral("Power saver"));
    m_platform->addScheme(QStringLiteral("High performance"));

    // Two timed schedules and one network schedule, written the way the program writes them.
    m_tasks = std::make_unique<FakeTaskService>();
    const PowerPlanList plans = loadPowerPlans(*m_platform).value();
    QVERIFY(schedulePlan(*m_tasks, plans, m_balanced));
    QVERIFY(schedulePlan(*m_tasks, plans, saver));
    const PowerPlan saverPlan = plans.at(findPlan(plans, saver).value());
    QVERIFY(saveNetworkSchedule(*m_platform, { QStringLiteral("Home"), QUuid::createUuid(), true }, saverPlan));

    m_pleaseWait = std::make_unique<PleaseWaitDialog>();
}

void TestSummaryPage::cleanup()
{
    qDeleteAll(shownPopups());
    m_pleaseWait.reset();
    m_battery.reset();
    m_tasks.reset();
    m_platform.reset();
    m_env.reset();
}

std::unique_ptr<SummaryPage> TestSummaryPage::makePage(const char *sysfsCase)
{
    m_battery = std::make_unique<SysfsBatteryStatusReader>(sysfs(sysfsCase));
    auto page = std::make_unique<SummaryPage>(
        PageServices { { *m_platform, *m_tasks, m_networks, *m_battery, m_capabilities }, m_pleaseWait.get() });
    page->resize(Page::kFrameSize);
    return page;
}

void TestSummaryPage::totalsNameTheActivePlanAndCountEverything()
{
    const auto page = makePage();
    WAIT_FOR_RELOAD(*page);
    QCOMPARE(line(*page, QStringLiteral("activePlanLine")), QStringLiteral("Active power plan\t\t: Balanced"));
    QCOMPARE(line(*page, QStringLiteral("planCountLine")), QStringLiteral("Total power plans\t\t: 3"));
    QCOMPARE(line(*page, QStringLiteral("scheduleCountLine")), QStringLiteral("Scheduled plans\t: 3"));

    // A change made elsewhere shows after the frame's refresh.
    const QUuid quiet = m_platform->addScheme(QStringLiteral("Quiet"));
    m_platform->setActiveDirectly(quiet);
    page->refresh();
    WAIT_FOR_RELOAD(*page);
    QCOMPARE(line(*page, QStringLiteral("activePlanLine")), QStringLiteral("Active power plan\t\t: Quiet"));
    QCOMPARE(line(*page, QStringLiteral("planCountLine")), QStringLiteral("Total power plans\t\t: 4"));

    // The active plan's name cannot be read, so the plan list leaves it out and the name is empty.
    m_platform->failNameOf(quiet);
    page->refresh();
    WAIT_FOR_RELOAD(*page);
    QCOMPARE(line(*page, QStringLiteral("activePlanLine")), QStringLiteral("Active power plan\t\t: "));
    QCOMPARE(line(*page, QStringLiteral("planCountLine")), QStringLiteral("Total power plans\t\t: 3"));
}

void TestSummaryPage::reloadRunsOnAWorkerWhileThePageWaits()
{
    m_platform->gated = true;
    m_platform->loads = 0;
    const auto page = makePage();
    page->show();
    QSignalSpy reloaded(page.get(), &SummaryPage::reloaded);
    QTRY_COMPARE(m_platform->loads.load(), 1);
    QVERIFY(m_platform->worker.load() != QThread::currentThread());
    QVERIFY(!page->isEnabled());
    QVERIFY(m_pleaseWait->isVisible());

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
    QVERIFY(!m_pleaseWait->isVisible());
    QCOMPARE(line(*page, QStringLiteral("scheduleCountLine")), QStringLiteral("Scheduled plans\t: 3"));
}

void TestSummaryPage::batteryLinkOnlyWithASystemBatteryShowsItsState()
{
    // Only a system battery brings the link; the link to change the plan is always there.
    for (const char *noSystemBattery : { "no-battery", "peripheral-only" }) {
        const auto page = makePage(noSystemBattery);
        QVERIFY(page->findChild<LinkLabel *>(QStringLiteral("batteryLink"))->isHidden());
        QVERIFY(!page->findChild<LinkLabel *>(QStringLiteral("changePlanLink"))->isHidden());
        WAIT_FOR_RELOAD(*page);
    }

    const auto page = makePage("discharging");
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    WAIT_FOR_RELOAD(*page);
    LinkLabel *link = page->findChild<LinkLabel *>(QStringLiteral("batteryLink"));
    QVERIFY(link->isVisible());
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QTRY_COMPARE(shownPopups().size(), 1);
    const BatteryPopup &popup = page->shownBatteryPopup();
    QCOMPARE(popup.title, QStringLiteral("Battery status\t: Discharging"));
    QCOMPARE(popup.body,
        QStringLiteral("Power source\t: Battery\n"
                       "Remaining\t: 55%\n"
                       "Lasts for\t: 1 h 1 min\n"));
}

void TestSummaryPage::buttonsTilesAndHelpReachTheFrame()
{
    const auto page = makePage();
    page->show();
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

    // Help drops down a menu offering About.
    PictureButton *help = buttonOf(*page, QStringLiteral("showHelpMenu"));
    QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(4, 8));
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().first()->text(), QStringLiteral("About"));
    QVERIFY(!menu->actions().first()->icon().isNull());
    // Drops down from the Help button (the screen may push it sideways).
    QCOMPARE(menu->pos().y(), help->mapToGlobal(QPoint(0, help->height())).y());
    QSignalSpy about(actionOf(*page, QStringLiteral("showAbout")), &QAction::triggered);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_COMPARE(about.size(), 1);

    // Put in a frame, the page holds it at its own size and takes away maximising.
    QWidget frame;
    frame.resize(1200, 700);
    frame.setWindowFlags(Qt::Window | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto *framed = new SummaryPage(
        PageServices { { *m_platform, *m_tasks, m_networks, *m_battery, m_capabilities }, nullptr }, &frame);
    QCOMPARE(frame.size(), Page::kFrameSize);
    QCOMPARE(frame.minimumSize(), frame.maximumSize());
    QVERIFY(!frame.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(frame.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    WAIT_FOR_RELOAD(*framed);
}

QTEST_MAIN(TestSummaryPage)
#include "TestSummaryPage.moc"
