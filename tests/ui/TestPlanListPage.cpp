#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PlanEditorDialog.h"
#include "PlanListPage.h"
#include "PlanTaskWriter.h"
#include "PleaseWaitDialog.h"
#include "ReportList.h"
#include "SchemeStore.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;

using namespace Qt::StringLiterals;

namespace {

const QByteArray kLanguage = "[Ampora]\n"
                             "IDS_SCHEDULED=Scheduled\nIDS_NOT_SCHEDULED=Not scheduled\n"
                             "IDS_DELETE_QUESTION=Do you want to delete the selected items?\n"
                             "IDS_DELETE_SCHD_ERR=The plan \"#\" is scheduled.\n"
                             "IDS_DELETE_PLAN_ERROR=The active power plan cannot be deleted.\n";

// The dialog that the next modal loop opens, once it is up.
template <typename Dialog> void whenModal(std::function<void(Dialog *)> check)
{
    QTimer::singleShot(0, qApp, [check] {
        QTRY_VERIFY(qobject_cast<Dialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        check(dialog);
        dialog->reject();
    });
}

} // namespace

class TestPlanListPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void listsEveryPlanWithItsScheduleAndTheActiveMarkedInCatalogueOrder();
    void deleteWorksFromTheLastRowOnEachRowsOwnPlanAndSparesActiveAndScheduledPlans();
    void keysDoubleClickAndMenuOpenTheEditor();
    void deletingSeveralPlansOutlivesTheStoreRefillingTheList();
    void refreshesLeaveTheKeyboardWhereItWas();

private:
    std::unique_ptr<PlanListPage> makePage();
    std::unique_ptr<PlanListPage> makePage(PowerPlatform &platform, TaskService &tasks);
    std::unique_ptr<PlanListPage> makeStorePage(SchemeStore &store, FakeTaskService &tasks);
    void waitForReload(PlanListPage &page);
    QStringList column(const PlanListPage &page, int column) const;
    void select(PlanListPage &page, const QList<int> &rows);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    FakeNetworkList m_networks;
    FakeBatteryStatusReader m_battery;
    FakeCapabilityReader m_capabilities;
    std::unique_ptr<PleaseWaitDialog> m_pleaseWait;
    QUuid m_balanced; // active
    QUuid m_saver; // scheduled by time
    QUuid m_performance; // scheduled by network
    QUuid m_quiet; // free
};

void TestPlanListPage::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s, kLanguage);
    m_platform = std::make_unique<FakePowerPlatform>();
    m_balanced = m_platform->addScheme(u"Balanced"_s, u"Everyday"_s);
    m_saver = m_platform->addScheme(u"Power saver"_s);
    m_performance = m_platform->addScheme(u"High performance"_s);
    m_quiet = m_platform->addScheme(u"Quiet"_s, u"Created using Ampora"_s);
    m_platform->setActiveDirectly(m_balanced);

    m_tasks = std::make_unique<FakeTaskService>();
    const PowerPlanList plans = loadPowerPlans(*m_platform).value();
    PlanTaskWriter writer(*m_tasks, u"/usr/bin/ampora"_s);
    const PlanTaskWriter::Choice daily { findPlan(plans, m_saver).value(), PlanTaskWriter::Kind::Daily,
        QDate(2030, 1, 1), QTime(8, 0), {}, {} };
    QCOMPARE(writer.write(daily, plans), PlanTaskWriter::Outcome::Registered);
    QVERIFY(saveNetworkSchedule(
        *m_platform, { u"Office"_s, QUuid::createUuid(), true }, plans.at(findPlan(plans, m_performance).value())));
    m_pleaseWait = std::make_unique<PleaseWaitDialog>();
}

void TestPlanListPage::cleanup()
{
    m_pleaseWait.reset();
    m_tasks.reset();
    m_platform.reset();
    m_env.reset();
}

std::unique_ptr<PlanListPage> TestPlanListPage::makePage()
{
    return makePage(*m_platform, *m_tasks);
}

std::unique_ptr<PlanListPage> TestPlanListPage::makePage(PowerPlatform &platform, TaskService &tasks)
{
    auto page = std::make_unique<PlanListPage>(
        PageServices { { platform, tasks, m_networks, m_battery, m_capabilities }, m_pleaseWait.get() });
    page->resize(Page::kFrameSize);
    page->show();
    return page;
}

void TestPlanListPage::waitForReload(PlanListPage &page)
{
    QTRY_VERIFY(!page.isReloading() && page.isEnabled());
}

QStringList TestPlanListPage::column(const PlanListPage &page, int column) const
{
    QStringList texts;
    for (int row = 0; row < page.list()->topLevelItemCount(); ++row)
        texts.append(page.list()->topLevelItem(row)->text(column));
    return texts;
}

void TestPlanListPage::select(PlanListPage &page, const QList<int> &rows)
{
    ReportList *list = page.list();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QRect rect = list->visualItemRect(list->topLevelItem(rows.at(i)));
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier, rect.center());
    }
    QCOMPARE(list->selectedItems().size(), rows.size());
}

void TestPlanListPage::listsEveryPlanWithItsScheduleAndTheActiveMarkedInCatalogueOrder()
{
    const auto page = makePage();
    QVERIFY(!page->isEnabled()); // the first fill is under way
    waitForReload(*page);
    QVERIFY(!m_pleaseWait->isVisible());

    QCOMPARE(column(*page, 0), (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s, u"Quiet"_s }));
    QCOMPARE(
        column(*page, 1), (QStringList { u"Not scheduled"_s, u"Scheduled"_s, u"Scheduled"_s, u"Not scheduled"_s }));
    QCOMPARE(column(*page, 2), (QStringList { u"Everyday"_s, QString(), QString(), u"Created using Ampora"_s }));
    QCOMPARE(page->list()->getLinkColumn(), 1);
    for (int row = 0; row < 4; ++row)
        QCOMPARE(page->list()->topLevelItem(row)->font(0).bold(), row == 0);

    // Nothing to act on yet: Edit and Delete are off, in the buttons and in the menu.
    QCOMPARE(page->currentRow(), -1);
    QVERIFY(page->editButton()->isButtonDisabled() && page->deleteButton()->isButtonDisabled());
    const QList<QAction *> actions = page->contextMenu()->actions();
    QCOMPARE(actions.size(), 3);
    QVERIFY(actions.at(0)->isEnabled() && !actions.at(1)->isEnabled() && !actions.at(2)->isEnabled());

    const QRect quietRow = page->list()->visualItemRect(page->list()->topLevelItem(3));
    QTest::mouseClick(page->list()->viewport(), Qt::LeftButton, {}, quietRow.center());
    QCOMPARE(page->currentRow(), 3);
    QVERIFY(!page->editButton()->isButtonDisabled() && actions.at(2)->isEnabled());

    // Another plan becomes active elsewhere and a plan is added; the refresh moves the mark and
    // keeps the user on their plan.
    m_platform->setActiveDirectly(m_quiet);
    m_platform->addScheme(u"Eco"_s);
    page->refresh();
    waitForReload(*page);
    QVERIFY(!page->list()->topLevelItem(0)->font(0).bold());
    QVERIFY(page->list()->topLevelItem(4)->font(0).bold());
    QCOMPARE(page->currentRow(), 4);
    QCOMPARE(page->planOfRow(4), m_quiet);

    // F5 refills in the catalogue's order, whatever the sorting.
    page->list()->sortRows(0, Qt::DescendingOrder);
    QCOMPARE(column(*page, 0).first(), u"Quiet"_s);
    QSignalSpy reloads(page.get(), &PlanListPage::reloaded);
    QTest::keyClick(page->list(), Qt::Key_F5);
    QTRY_COMPARE(reloads.count(), 1);
    QCOMPARE(column(*page, 0).first(), u"Balanced"_s);
    QCOMPARE(page->list()->header()->sortIndicatorSection(), -1);

    // A store that cannot be read is said to be so, once, rather than shown as a store without
    // plans.
    m_platform->setUnreadable(true);
    MessageBox::takeShownTexts();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    page->refresh();
    waitForReload(*page);
    QCOMPARE(page->list()->topLevelItemCount(), 0);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"the fake store is unreadable"_s });
    page->refresh();
    waitForReload(*page);
    QVERIFY(MessageBox::takeShownTexts().isEmpty());
    m_platform->setUnreadable(false);
}

void TestPlanListPage::deleteWorksFromTheLastRowOnEachRowsOwnPlanAndSparesActiveAndScheduledPlans()
{
    const auto page = makePage();
    waitForReload(*page);

    // No keeps everything.
    select(*page, { 3 });
    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::keyClick(page->list(), Qt::Key_Delete);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"Do you want to delete the selected items?"_s });
    QCOMPARE(m_platform->storedSchemes().size(), 4);

    // Active first, scheduled in the middle, a free plan last: the last goes first, then the two
    // refusals follow in turn.
    select(*page, { 0, 2, 3 });
    for (int answer = 0; answer < 3; ++answer)
        MessageBox::setNextAnswer(answer == 0 ? QMessageBox::Yes : QMessageBox::Ok);
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(MessageBox::takeShownTexts(),
        (QStringList { u"Do you want to delete the selected items?"_s, u"The plan \"Power saver\" is scheduled."_s,
            u"The active power plan cannot be deleted."_s }));
    QVERIFY(!findPlan(loadPowerPlans(*m_platform).value(), m_quiet));
    QCOMPARE(m_platform->storedSchemes().size(), 3);
    QCOMPARE(column(*page, 0), (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s }));
    QCOMPARE(page->currentRow(), -1);
    QVERIFY(page->deleteButton()->isButtonDisabled());

    // A plan used only by a network schedule is spared too.
    select(*page, { 1 });
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    page->contextMenu()->actions().at(2)->trigger();
    QCOMPARE(MessageBox::takeShownTexts().last(), u"The plan \"High performance\" is scheduled."_s);
    QCOMPARE(m_platform->storedSchemes().size(), 3);

    // Two plans share a name (one renamed outside the program); each sorted row deletes its own.
    const QUuid twinA = m_platform->addScheme(u"Twin"_s, u"first"_s);
    const QUuid twinB = m_platform->addScheme(u"Twin"_s, u"second"_s);
    page->refresh();
    waitForReload(*page);
    page->list()->sortRows(2, Qt::DescendingOrder); // "second" now comes before "first"
    const int secondRow = int(column(*page, 2).indexOf(u"second"_s));
    QCOMPARE(page->planOfRow(secondRow), twinB);
    select(*page, { secondRow });
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(!findPlan(loadPowerPlans(*m_platform).value(), twinB));
    QVERIFY(findPlan(loadPowerPlans(*m_platform).value(), twinA));
    QVERIFY(!column(*page, 2).contains(u"second"_s));
    QVERIFY(column(*page, 2).contains(u"first"_s));
}

void TestPlanListPage::keysDoubleClickAndMenuOpenTheEditor()
{
    const auto page = makePage();
    waitForReload(*page);
    ReportList *list = page->list();
    list->setFocus();

    // Enter edits the focused row's plan; a double click on a row edits that row's plan.
    list->setCurrentItem(list->topLevelItem(2));
    PlanEditorDialog::Mode mode = PlanEditorDialog::Mode::Create;
    QUuid plan;
    const auto record = [&](PlanEditorDialog *editor) {
        mode = editor->mode();
        plan = editor->plan();
    };
    whenModal<PlanEditorDialog>(record);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(mode, PlanEditorDialog::Mode::Edit);
    QCOMPARE(plan, m_saver);

    whenModal<PlanEditorDialog>(record);
    const QRect firstRow = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, firstRow.center());
    QCOMPARE(plan, m_performance);

    // Create copies the active plan, from the button or from the menu.
    whenModal<PlanEditorDialog>(record);
    page->contextMenu()->actions().at(0)->trigger();
    QCOMPARE(mode, PlanEditorDialog::Mode::Create);
    QCOMPARE(plan, m_balanced);

    // A double click below the rows leaves the page as it was, with nothing to act on.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
    QCOMPARE(page->currentRow(), -1);
    QVERIFY(!QApplication::activeModalWidget());
}

std::unique_ptr<PlanListPage> TestPlanListPage::makeStorePage(SchemeStore &store, FakeTaskService &tasks)
{
    // The store's default plans, a free plan "Quiet" and "Power saver" scheduled; the page follows
    // the store's own watch as the main window has it, so every change of the file, the page's
    // own or another process's, refills the list whatever box is open at that moment.
    const QUuid quiet = store.duplicateScheme(store.activeScheme().value()).value();
    if (!store.writeFriendlyName(quiet, u"Quiet"_s))
        return nullptr;
    const PowerPlanList plans = loadPowerPlans(store).value();
    const auto saver = std::find_if(
        plans.cbegin(), plans.cend(), [](const PowerPlan &plan) { return plan.planName == u"Power saver"_s; });
    PlanTaskWriter writer(tasks, u"/usr/bin/ampora"_s);
    if (writer.write(
            { saver - plans.cbegin(), PlanTaskWriter::Kind::Daily, QDate(2030, 1, 1), QTime(8, 0), {}, {} }, plans)
        != PlanTaskWriter::Outcome::Registered)
        return nullptr;
    auto page = makePage(store, tasks);
    connect(&store, &PowerPlatform::schemesChanged, page.get(), &PlanListPage::refresh);
    return page;
}

void TestPlanListPage::deletingSeveralPlansOutlivesTheStoreRefillingTheList()
{
    SchemeStore store(m_env->path(u"store/schemes.ini"_s));
    FakeTaskService tasks;
    const auto page = makeStorePage(store, tasks);
    QVERIFY(page);
    waitForReload(*page);
    QCOMPARE(column(*page, 0), (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s, u"Quiet"_s }));
    const QUuid quiet = page->planOfRow(3);

    // The active plan, the scheduled one and the free one: the free one goes first, and its
    // change of the store refills the list while the first refusal is still open; the rest are
    // still each handled as their own plan.
    select(*page, { 0, 2, 3 });
    QSignalSpy reloads(page.get(), &PlanListPage::reloaded);
    MessageBox::takeShownTexts();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok, [&] { return !reloads.isEmpty() && !page->isReloading(); });
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(page->list(), Qt::Key_Delete);
    QCOMPARE(MessageBox::takeShownTexts(),
        (QStringList { u"Do you want to delete the selected items?"_s, u"The plan \"Power saver\" is scheduled."_s,
            u"The active power plan cannot be deleted."_s }));
    QVERIFY(!reloads.isEmpty());
    QCOMPARE(store.schemes().value().size(), 3);
    QVERIFY(!store.schemes().value().contains(quiet));
    QTRY_COMPARE(column(*page, 0), (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s }));
}

void TestPlanListPage::refreshesLeaveTheKeyboardWhereItWas()
{
    const QString storeFile = m_env->path(u"store/schemes.ini"_s);
    SchemeStore store(storeFile);
    FakeTaskService tasks;
    const auto page = makeStorePage(store, tasks);
    QVERIFY(page);
    QVERIFY(QTest::qWaitForWindowActive(page.get()));
    waitForReload(*page);
    ReportList *list = page->list();

    // F5 keeps the keyboard in the list, on its row. What counts is the window's own focus, the
    // control it gives the keys to: a test platform may hand activation to the please-wait window.
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QSignalSpy reloads(page.get(), &PlanListPage::reloaded);
    QTest::keyClick(list, Qt::Key_F5);
    QTRY_COMPARE(reloads.size(), 1);
    waitForReload(*page);
    QCOMPARE(page->focusWidget(), list);
    QCOMPARE(page->currentRow(), 1);

    // Another process renames a plan while the editor is open: the list follows, and the editor
    // stays usable with the keyboard where the user left it.
    bool editorChecked = false;
    QTimer::singleShot(0, qApp, [&] {
        QTRY_VERIFY(qobject_cast<PlanEditorDialog *>(QApplication::activeModalWidget()));
        auto *editor = qobject_cast<PlanEditorDialog *>(QApplication::activeModalWidget());
        QTRY_COMPARE(QApplication::focusWidget(), editor->nameBox());
        SchemeStore otherProcess(storeFile);
        QVERIFY(otherProcess.writeFriendlyName(page->planOfRow(1), u"Eco"_s));
        QTRY_VERIFY(column(*page, 0).contains(u"Eco"_s));
        QVERIFY(!page->isReloading());
        QVERIFY(editor->isEnabled());
        QCOMPARE(QApplication::focusWidget(), editor->nameBox());
        QVERIFY(!m_pleaseWait->isVisible());
        editorChecked = true;
        editor->reject();
    });
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(editorChecked);
    QCOMPARE(page->focusWidget(), list);

    // The page's own delete changes the store too: the list keeps the keyboard after the refill.
    select(*page, { 3 });
    reloads.clear();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QTRY_VERIFY(!reloads.isEmpty());
    waitForReload(*page);
    QCOMPARE(column(*page, 0), (QStringList { u"Balanced"_s, u"Eco"_s, u"Power saver"_s }));
    QCOMPARE(page->focusWidget(), list);
}

QTEST_MAIN(TestPlanListPage)
#include "TestPlanListPage.moc"
