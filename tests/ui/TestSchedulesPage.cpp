#include "CommandId.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PlanTaskWriter.h"
#include "PleaseWaitDialog.h"
#include "ReportList.h"
#include "ScheduleDialog.h"
#include "SchedulesPage.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const QByteArray kLanguage = "[Ampora]\n"
                             "IDS_AT=at\nIDS_ON=on\nIDS_ENABLED=Enabled\nIDS_DISABLED=Disabled\n"
                             "IDS_TIME_BASED=Time based\nIDS_NETWORK_BASED=Network based\n"
                             "IDS_RUN_ONCE=Once\nIDS_RUN_DAILY=Daily\n"
                             "IDS_ADD_NEW=Add new\nIDS_EDIT=Edit\nIDS_ENABLE=Enable\nIDS_DISABLE=Disable\n"
                             "IDS_REMOVE=Remove\n"
                             "IDS_DELETE_QUESTION=Do you want to delete the selected items?\n"
                             "IDS_SCHEDULE_DAMAGED=Cannot be read: %s\nIDS_SCHEDULE_DAMAGED_EDIT=Damaged: %s\n";

const QString kQuestion = u"Do you want to delete the selected items?"_s;

enum Row { SaverRow, QuietRow, OfficeRow, HomeRow };

} // namespace

class TestSchedulesPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void listsTimeThenNetworkSchedulesWithTheirState();
    void togglingWritesAtOnceAndAFailureKeepsTheRow();
    void removeAsksFirstAndWorksFromTheLastRow();
    void addAndEditOpenTheScheduleDialog();
    void damagedRowsAndStatusDoubleClicks();

private:
    std::unique_ptr<SchedulesPage> makePage();
    void waitForReload(SchedulesPage &page);
    QStringList column(const SchedulesPage &page, int column) const;
    QList<bool> checks(const SchedulesPage &page) const;
    // Which of Edit, Enable, Disable, Remove the buttons and the menu offer; they must agree.
    QList<bool> offered(const SchedulesPage &page) const;
    void select(SchedulesPage &page, const QList<int> &rows);
    void clickStatus(SchedulesPage &page, int row);
    bool networkEnabled(const QUuid &network) const;

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    FakeNetworkList m_networks;
    FakeBatteryStatusReader m_battery;
    FakeCapabilityReader m_capabilities;
    std::unique_ptr<PleaseWaitDialog> m_pleaseWait;
    QString m_saverTask; // daily, enabled
    QString m_quietTask; // once, disabled
    QUuid m_office; // network, enabled
    QUuid m_home; // network, disabled
};

void TestSchedulesPage::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s, kLanguage);
    m_platform = std::make_unique<FakePowerPlatform>();
    const QUuid balanced = m_platform->addScheme(u"Balanced"_s);
    const QUuid saver = m_platform->addScheme(u"Power saver"_s);
    const QUuid performance = m_platform->addScheme(u"High performance"_s);
    const QUuid quiet = m_platform->addScheme(u"Quiet"_s);
    m_platform->setActiveDirectly(balanced);
    const PowerPlanList plans = loadPowerPlans(*m_platform).value();

    // Written in another order than they are listed: time-based rows come by plan name.
    m_tasks = std::make_unique<FakeTaskService>();
    PlanTaskWriter writer(*m_tasks, u"/usr/bin/ampora"_s);
    const PlanTaskWriter::Choice once { *findPlan(plans, quiet), PlanTaskWriter::Kind::Once, QDate(2090, 1, 2),
        QTime(21, 30), {}, {} };
    const PlanTaskWriter::Choice daily { *findPlan(plans, saver), PlanTaskWriter::Kind::Daily, QDate(2030, 1, 1),
        QTime(8, 0), {}, {} };
    QCOMPARE(writer.write(once, plans), PlanTaskWriter::Outcome::Registered);
    QCOMPARE(writer.write(daily, plans), PlanTaskWriter::Outcome::Registered);
    m_quietTask = m_tasks->tasks().at(0).name;
    m_saverTask = m_tasks->tasks().at(1).name;
    QVERIFY(m_tasks->setTaskEnabled(m_quietTask, false));

    m_office = QUuid::createUuid();
    m_home = QUuid::createUuid();
    QVERIFY(saveNetworkSchedule(*m_platform, { u"Office"_s, m_office, true }, plans.at(*findPlan(plans, performance))));
    QVERIFY(saveNetworkSchedule(*m_platform, { u"Home"_s, m_home, false }, plans.at(*findPlan(plans, balanced))));
    QVERIFY(setNetworkScheduleEnabled(*m_platform, m_home, false));
    m_pleaseWait = std::make_unique<PleaseWaitDialog>();
    MessageBox::takeShownTexts();
}

void TestSchedulesPage::cleanup()
{
    m_pleaseWait.reset();
    m_tasks.reset();
    m_platform.reset();
    m_env.reset();
}

std::unique_ptr<SchedulesPage> TestSchedulesPage::makePage()
{
    auto page = std::make_unique<SchedulesPage>(
        PageServices { { *m_platform, *m_tasks, m_networks, m_battery, m_capabilities }, m_pleaseWait.get() });
    page->resize(Page::kFrameSize);
    page->show();
    waitForReload(*page);
    return page;
}

void TestSchedulesPage::waitForReload(SchedulesPage &page)
{
    QTRY_VERIFY(!page.isReloading() && page.isEnabled());
}

QStringList TestSchedulesPage::column(const SchedulesPage &page, int column) const
{
    QStringList texts;
    for (int row = 0; row < page.list()->topLevelItemCount(); ++row)
        texts.append(page.list()->topLevelItem(row)->text(column));
    return texts;
}

QList<bool> TestSchedulesPage::checks(const SchedulesPage &page) const
{
    QList<bool> checked;
    for (int row = 0; row < page.list()->topLevelItemCount(); ++row)
        checked.append(page.list()->getCheck(row));
    return checked;
}

QList<bool> TestSchedulesPage::offered(const SchedulesPage &page) const
{
    QList<bool> buttons;
    QList<bool> menu;
    const QList<QAction *> actions = page.contextMenu()->actions();
    // The menu's order: Add, Edit, Enable, Disable, Remove.
    const int ids[] = { CmdEditSchedule, CmdEnableSchedule, CmdDisableSchedule, CmdRemoveSchedules };
    for (qsizetype i = 0; i < 4; ++i) {
        buttons.append(!page.commandButton(ids[i])->isButtonDisabled());
        menu.append(actions.at(i + 1)->isEnabled());
    }
    // Add is always there.
    if (page.commandButton(CmdAddSchedule)->isButtonDisabled() || !actions.at(0)->isEnabled() || buttons != menu)
        return {};
    return buttons;
}

void TestSchedulesPage::select(SchedulesPage &page, const QList<int> &rows)
{
    ReportList *list = page.list();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QRect rect = list->visualItemRect(list->topLevelItem(rows.at(i)));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier,
            QPoint(rect.left() + 500, rect.center().y())); // the last column: no check box, no link
    }
    QCOMPARE(list->selectedItems().size(), rows.size());
}

void TestSchedulesPage::clickStatus(SchedulesPage &page, int row)
{
    ReportList *list = page.list();
    const QRect cell = list->visualRect(list->model()->index(row, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

bool TestSchedulesPage::networkEnabled(const QUuid &network) const
{
    for (const NetworkSchedule &schedule : readNetworkSchedules(*m_platform)) {
        if (schedule.networkGuid == network)
            return schedule.enabled;
    }
    return false;
}

void TestSchedulesPage::listsTimeThenNetworkSchedulesWithTheirState()
{
    const auto page = makePage();
    QCOMPARE(column(*page, 0), (QStringList { u"Power saver"_s, u"Quiet"_s, u"High performance"_s, u"Balanced"_s }));
    QCOMPARE(column(*page, 1), (QStringList { u"Enabled"_s, u"Disabled"_s, u"Enabled"_s, u"Disabled"_s }));
    QCOMPARE(
        column(*page, 2), (QStringList { u"Time based"_s, u"Time based"_s, u"Network based"_s, u"Network based"_s }));
    QCOMPARE(column(*page, 3),
        (QStringList { u"Daily at 08:00:00 AM"_s, u"Once at 09:30:00 PM on 2090/01/02"_s, u"Office"_s, u"Home"_s }));
    QCOMPARE(checks(*page), (QList<bool> { true, false, true, false }));

    // Nothing to act on until a row is chosen; then the row's state decides Enable or Disable.
    QCOMPARE(page->currentRow(), -1);
    QCOMPARE(offered(*page), (QList<bool> { false, false, false, false }));
    select(*page, { OfficeRow });
    QCOMPARE(page->currentRow(), int(OfficeRow));
    QCOMPARE(offered(*page), (QList<bool> { true, false, true, true }));
    select(*page, { QuietRow });
    QCOMPARE(offered(*page), (QList<bool> { true, true, false, true }));

    // A schedule changed outside: F5 reads both kinds again, keeping the user on their row.
    QVERIFY(m_tasks->setTaskEnabled(m_quietTask, true));
    page->list()->sortRows(0, Qt::AscendingOrder);
    QSignalSpy reloads(page.get(), &SchedulesPage::reloaded);
    QTest::keyClick(page->list(), Qt::Key_F5);
    QTRY_COMPARE(reloads.size(), 1);
    waitForReload(*page);
    QCOMPARE(page->list()->header()->sortIndicatorSection(), -1);
    QCOMPARE(column(*page, 0).first(), u"Power saver"_s);
    QCOMPARE(checks(*page), (QList<bool> { true, true, true, false }));
    QCOMPARE(page->currentRow(), int(QuietRow));
    QCOMPARE(offered(*page), (QList<bool> { true, false, true, true }));
}

void TestSchedulesPage::togglingWritesAtOnceAndAFailureKeepsTheRow()
{
    const auto page = makePage();
    ReportList *list = page->list();

    // The status cell of a time row turns its task off, of a network row writes the file.
    clickStatus(*page, SaverRow);
    QCOMPARE(m_tasks->task(m_saverTask)->enabled, false);
    QCOMPARE(list->topLevelItem(SaverRow)->text(1), u"Disabled"_s);
    QVERIFY(!list->getCheck(SaverRow));
    QCOMPARE(offered(*page), (QList<bool> { true, true, false, true }));
    clickStatus(*page, HomeRow);
    QVERIFY(networkEnabled(m_home));
    QCOMPARE(list->topLevelItem(HomeRow)->text(1), u"Enabled"_s);

    // Sorted the other way, each row still reaches its own schedule: from the menu, with Space,
    // and by ticking the box itself.
    list->sortRows(0, Qt::DescendingOrder); // Quiet, Power saver, High performance, Balanced
    QCOMPARE(column(*page, 0).at(1), u"Power saver"_s);
    select(*page, { 1 });
    page->contextMenu()->actions().at(2)->trigger(); // Enable
    QCOMPARE(m_tasks->task(m_saverTask)->enabled, true);
    QTest::keyClick(list, Qt::Key_Down); // High performance
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!networkEnabled(m_office));
    QCOMPARE(list->topLevelItem(2)->text(1), u"Disabled"_s);
    list->setCheck(0, true); // what a click on Quiet's box does
    QCOMPARE(m_tasks->task(m_quietTask)->enabled, true);
    QCOMPARE(list->topLevelItem(0)->text(1), u"Enabled"_s);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList());

    // The task folder refuses: the failure is shown and the row stays as it was.
    m_tasks->setUnreachable(true);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    clickStatus(*page, 0);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"the fake task folder is unreachable"_s });
    QVERIFY(list->getCheck(0));
    QCOMPARE(list->topLevelItem(0)->text(1), u"Enabled"_s);
    QCOMPARE(page->currentRow(), 0);
    QCOMPARE(offered(*page), (QList<bool> { true, false, true, true }));
}

void TestSchedulesPage::removeAsksFirstAndWorksFromTheLastRow()
{
    const auto page = makePage();
    ReportList *list = page->list();

    select(*page, { SaverRow, QuietRow, HomeRow });
    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { kQuestion });
    QCOMPARE(list->topLevelItemCount(), 4);
    QCOMPARE(m_tasks->deleteCalls(), QStringList());
    QCOMPARE(readNetworkSchedules(*m_platform).size(), 2);

    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(page->commandButton(CmdRemoveSchedules), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { kQuestion });
    QCOMPARE(m_tasks->deleteCalls(), (QStringList { m_quietTask, m_saverTask }));
    QVERIFY(m_tasks->tasks().isEmpty());
    const QList<NetworkSchedule> left = readNetworkSchedules(*m_platform);
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().networkGuid, m_office);
    QCOMPARE(column(*page, 3), QStringList { u"Office"_s });
    QCOMPARE(page->currentRow(), -1);
    QCOMPARE(offered(*page), (QList<bool> { false, false, false, false }));

    // The last network schedule goes with its file; the empty list offers Add alone.
    select(*page, { 0 });
    MessageBox::setNextAnswer(QMessageBox::Yes);
    page->contextMenu()->actions().at(4)->trigger();
    QVERIFY(!QFile::exists(sharedStrings().networkFile));
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(offered(*page), (QList<bool> { false, false, false, false }));
}

void TestSchedulesPage::addAndEditOpenTheScheduleDialog()
{
    const auto page = makePage();
    ReportList *list = page->list();
    list->setFocus();

    // Each way in opens the schedule dialog over the page, new or on the row's own schedule: an
    // edit fixes the kind and the plan. A saved schedule reloads the page.
    QStringList opened;
    const auto expectDialog = [&](bool save) {
        QTimer::singleShot(0, qApp, [&, save] {
            QTRY_VERIFY(qobject_cast<ScheduleDialog *>(QApplication::activeModalWidget()));
            auto *dialog = qobject_cast<ScheduleDialog *>(QApplication::activeModalWidget());
            QCOMPARE(dialog->parentWidget(), page.get());
            const QString kind = dialog->typeList()->currentIndex() == 1 ? u"network"_s
                : dialog->onceButton()->isChecked()                      ? u"once"_s
                                                                         : u"time"_s;
            opened.append(dialog->typeList()->isEnabled() ? u"new"_s : kind + u' ' + dialog->planList()->currentText());
            if (save)
                Q_EMIT dialog->saved();
            dialog->reject();
        });
    };
    QSignalSpy reloads(page.get(), &SchedulesPage::reloaded);
    expectDialog(true);
    QTest::mouseClick(page->commandButton(CmdAddSchedule), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(opened, QStringList { u"new"_s });
    QTRY_COMPARE(reloads.size(), 1);
    waitForReload(*page);

    list->setCurrentItem(list->topLevelItem(OfficeRow));
    expectDialog(false);
    QTest::keyClick(list, Qt::Key_Return);
    expectDialog(false);
    const QRect quiet = list->visualItemRect(list->topLevelItem(QuietRow));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(quiet.left() + 500, quiet.center().y()));
    expectDialog(false);
    page->contextMenu()->actions().at(1)->trigger();
    const QStringList edits { u"new"_s, u"network High performance"_s, u"once Quiet"_s, u"once Quiet"_s };
    QCOMPARE(opened, edits);

    // A double click below the rows edits nothing.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
    QCOMPARE(page->currentRow(), -1);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(opened, edits);
}

// A double click on the status cell enables or disables once and opens nothing: one gesture, one
// action. A damaged task of the program is listed with what is wrong, and says so instead of
// opening for an edit (it is disabled and removed like any other row).
void TestSchedulesPage::damagedRowsAndStatusDoubleClicks()
{
    const QString why = u"its OnCalendar= lines were changed outside Ampora"_s;
    m_tasks->addTask({ u"AMPCTL7"_s, true, std::nullopt, why });
    const auto page = makePage();
    ReportList *list = page->list();
    bool opened = false;
    bool looked = false;
    const auto closeAnyDialog = [&] {
        looked = false;
        QTimer::singleShot(0, qApp, [&] {
            looked = true;
            if (auto *dialog = qobject_cast<ScheduleDialog *>(QApplication::activeModalWidget())) {
                opened = true;
                dialog->reject();
            }
        });
    };

    // What a widget gets from a double click: press, release, double click, release.
    const int saver = int(column(*page, 0).indexOf(u"Power saver"_s));
    const QPoint status = list->visualRect(list->model()->index(saver, 1)).center();
    closeAnyDialog();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, status);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, status, list->viewport()->mapToGlobal(status), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &doubleClick);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, status);
    QTRY_VERIFY(looked);
    QVERIFY(!opened);
    QCOMPARE(m_tasks->task(m_saverTask)->enabled, false);

    const int damaged = int(column(*page, 3).indexOf(u"Cannot be read: "_s + why));
    QVERIFY(damaged >= 0);
    QCOMPARE(list->topLevelItem(damaged)->text(1), u"Enabled"_s);
    select(*page, { damaged });
    closeAnyDialog();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(looked);
    QVERIFY(!opened);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"Damaged: "_s + why });
}

QTEST_MAIN(TestSchedulesPage)
#include "TestSchedulesPage.moc"
