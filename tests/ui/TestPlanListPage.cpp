// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PageTestSupport.h"
#include "PlanEditorDialog.h"
#include "PlanListPage.h"
#include "SchemeStore.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;

using namespace Qt::StringLiterals;

class TestPlanListPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_pages.start("[Ampora]\nIDS_SCHEDULED=Scheduled\nIDS_NOT_SCHEDULED=Not scheduled\n"
                      "IDS_DELETE_QUESTION=Do you want to delete the selected items?\n"
                      "IDS_DELETE_SCHD_ERR=The plan \"#\" is scheduled.\n"
                      "IDS_DELETE_PLAN_ERROR=The active power plan cannot be deleted.\n");
        FakePowerPlatform &platform = *m_pages.platform;
        m_balanced = platform.addScheme(u"Balanced"_s, u"Everyday"_s);
        m_saver = platform.addScheme(u"Power saver"_s);
        m_performance = platform.addScheme(u"High performance"_s);
        m_quiet = platform.addScheme(u"Quiet"_s, u"Created using Ampora"_s);
        platform.setActiveDirectly(m_balanced);
        const PowerPlanList plans = loadPowerPlans(platform).value();
        QVERIFY(schedulePlan(*m_pages.tasks, plans, m_saver));
        QVERIFY(saveNetworkSchedule(
            platform, { u"Office"_s, QUuid::createUuid(), true }, plans.at(findPlan(plans, m_performance).value())));
    }

    void listsEveryPlanMarkedAndOpensTheEditorByKeysDoubleClickAndMenu()
    {
        const auto page = m_pages.makePage<PlanListPage>();
        QVERIFY(!page->isEnabled()); // the first fill is under way
        WAIT_FOR_RELOAD(*page);
        QVERIFY(!m_pages.pleaseWait->isVisible());
        ReportList *list = listOf(*page);

        QCOMPARE(
            column(*page, 0), (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s, u"Quiet"_s }));
        QCOMPARE(
            column(*page, 1), (QStringList { u"Not scheduled"_s, u"Scheduled"_s, u"Scheduled"_s, u"Not scheduled"_s }));
        QCOMPARE(column(*page, 2), (QStringList { u"Everyday"_s, QString(), QString(), u"Created using Ampora"_s }));
        QCOMPARE(list->linkColumn(), 1);
        for (int row = 0; row < 4; ++row)
            QCOMPARE(list->topLevelItem(row)->font(0).bold(), row == 0);

        // Nothing to act on yet: Edit and Delete are off, their buttons grey; the menu offers the
        // same actions.
        QCOMPARE(page->currentRow(), -1);
        QAction *edit = actionOf(*page, u"editPlan"_s);
        QAction *remove = actionOf(*page, u"deletePlan"_s);
        QCOMPARE(page->findChild<QMenu *>(u"listMenu"_s)->actions(),
            (QList<QAction *> { actionOf(*page, u"activatePlan"_s), actionOf(*page, u"createPlanFromList"_s),
                actionOf(*page, u"copyPlan"_s), edit, remove, actionOf(*page, u"exportPlan"_s),
                actionOf(*page, u"importPlan"_s), actionOf(*page, u"restoreDefaultPlans"_s) }));
        QVERIFY(!edit->isEnabled() && !remove->isEnabled());
        QVERIFY(buttonOf(*page, u"editPlan"_s)->isButtonDisabled());
        selectRows(*page, { 3 });
        QCOMPARE(page->currentRow(), 3);
        QVERIFY(edit->isEnabled() && !buttonOf(*page, u"deletePlan"_s)->isButtonDisabled());

        // Enter edits the focused row's plan; a double click on a row edits that row's plan; Create
        // copies the active plan. A double click below the rows leaves nothing to act on.
        list->setFocus();
        PlanEditorDialog::Mode mode = PlanEditorDialog::Mode::Create;
        QUuid plan;
        const auto record = [&](PlanEditorDialog *editor) {
            mode = editor->mode();
            plan = editor->plan();
        };
        list->setCurrentItem(list->topLevelItem(2));
        whenModal<PlanEditorDialog>(record);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(mode, PlanEditorDialog::Mode::Edit);
        QCOMPARE(plan, m_saver);
        whenModal<PlanEditorDialog>(record);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
        QCOMPARE(plan, m_performance);
        whenModal<PlanEditorDialog>(record);
        QTest::mouseClick(buttonOf(*page, u"createPlanFromList"_s), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(mode, PlanEditorDialog::Mode::Create);
        QCOMPARE(plan, m_balanced);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
        QCOMPARE(page->currentRow(), -1);
        QVERIFY(!QApplication::activeModalWidget());
        selectRows(*page, { 3 });

        // Another plan becomes active elsewhere and a plan is added; the refresh moves the mark and
        // keeps the user on their plan.
        m_pages.platform->setActiveDirectly(m_quiet);
        m_pages.platform->addScheme(u"Eco"_s);
        page->refresh();
        WAIT_FOR_RELOAD(*page);
        QVERIFY(!list->topLevelItem(0)->font(0).bold());
        QVERIFY(list->topLevelItem(4)->font(0).bold());
        QCOMPARE(page->currentRow(), 4);
        QCOMPARE(page->planOfRow(4), m_quiet);

        // A store that cannot be read is said to be so, once, rather than shown as a store without
        // plans.
        m_pages.platform->setUnreadable(true);
        MessageBox::takeShownTexts();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        for (int refresh = 0; refresh < 2; ++refresh) {
            page->refresh();
            WAIT_FOR_RELOAD(*page);
        }
        QCOMPARE(list->topLevelItemCount(), 0);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"the fake store is unreadable"_s });
    }

    void deleteAsksFirstSparesNetworkScheduledPlansAndGoesByEachRowsOwnPlan()
    {
        const auto page = m_pages.makePage<PlanListPage>();
        WAIT_FOR_RELOAD(*page);
        FakePowerPlatform &platform = *m_pages.platform;

        // No keeps everything.
        selectRows(*page, { 3 });
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::keyClick(listOf(*page), Qt::Key_Delete);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { kDeleteQuestion });
        QCOMPARE(platform.storedSchemes().size(), 4);

        // A plan used only by a network schedule is spared. (The active plan and one scheduled by time
        // are spared in the store's case below.)
        selectRows(*page, { 1 });
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        actionOf(*page, u"deletePlan"_s)->trigger();
        QCOMPARE(MessageBox::takeShownTexts().last(), u"The plan \"High performance\" is scheduled."_s);
        QCOMPARE(platform.storedSchemes().size(), 4);

        // Two plans share a name (one renamed outside the program); each sorted row deletes its own,
        // and then nothing is left to act on.
        const QUuid twinA = platform.addScheme(u"Twin"_s, u"first"_s);
        const QUuid twinB = platform.addScheme(u"Twin"_s, u"second"_s);
        page->refresh();
        WAIT_FOR_RELOAD(*page);
        listOf(*page)->sortRows(2, Qt::DescendingOrder); // "second" now comes before "first"
        const int secondRow = int(column(*page, 2).indexOf(u"second"_s));
        QCOMPARE(page->planOfRow(secondRow), twinB);
        selectRows(*page, { secondRow });
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(buttonOf(*page, u"deletePlan"_s), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(!findPlan(loadPowerPlans(platform).value(), twinB));
        QVERIFY(findPlan(loadPowerPlans(platform).value(), twinA));
        QVERIFY(!column(*page, 2).contains(u"second"_s));
        QCOMPARE(page->currentRow(), -1);
        QVERIFY(buttonOf(*page, u"deletePlan"_s)->isButtonDisabled());
    }

    void storeRefillsLeaveTheKeyboardAndDeletesGoFromTheLastRow()
    {
        const QString storeFile = m_pages.env->path(u"store/schemes.ini"_s);
        SchemeStore store(storeFile);
        FakeTaskService tasks;
        const auto page = makeStorePage(store, tasks);
        QVERIFY(page);
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        WAIT_FOR_RELOAD(*page);
        ReportList *list = listOf(*page);
        QCOMPARE(
            column(*page, 0), (QStringList { u"Balanced"_s, u"High performance"_s, u"Power saver"_s, u"Quiet"_s }));
        const QUuid quiet = page->planOfRow(3);

        // F5 refills in the catalogue's order, whatever the sorting, and keeps the keyboard in the
        // list, on its plan. What counts is the window's own focus, the control it gives the keys to:
        // a test platform may hand activation to the please-wait window.
        list->setFocus();
        list->sortRows(0, Qt::DescendingOrder);
        list->setCurrentItem(list->topLevelItem(2)); // High performance
        QSignalSpy reloads(page.get(), &PlanListPage::reloaded);
        QTest::keyClick(list, Qt::Key_F5);
        QTRY_COMPARE(reloads.size(), 1);
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(column(*page, 0).first(), u"Balanced"_s);
        QCOMPARE(list->header()->sortIndicatorSection(), -1);
        QCOMPARE(page->focusWidget(), list);
        QCOMPARE(page->currentRow(), 1);

        // Another process renames a plan while the editor is open: the list follows, and the editor
        // stays usable with the keyboard where the user left it.
        bool editorChecked = false;
        whenModal<PlanEditorDialog>([&](PlanEditorDialog *editor) {
            QTRY_COMPARE(QApplication::focusWidget(), editor->findChild<QLineEdit *>(u"nameBox"_s));
            SchemeStore otherProcess(storeFile);
            QVERIFY(otherProcess.writeFriendlyName(page->planOfRow(1), u"Eco"_s));
            QTRY_VERIFY(column(*page, 0).contains(u"Eco"_s));
            QVERIFY(!page->isReloading());
            QVERIFY(editor->isEnabled());
            QCOMPARE(QApplication::focusWidget(), editor->findChild<QLineEdit *>(u"nameBox"_s));
            QVERIFY(!m_pages.pleaseWait->isVisible());
            editorChecked = true;
        });
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(editorChecked);
        QCOMPARE(page->focusWidget(), list);

        // The active plan, the scheduled one and the free one: the free one goes first, and its
        // change of the store refills the list while the first refusal is still open; the rest are
        // still each handled as their own plan, and the list keeps the keyboard.
        selectRows(*page, { 0, 2, 3 });
        reloads.clear();
        MessageBox::takeShownTexts();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok, [&] { return !reloads.isEmpty() && !page->isReloading(); });
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(MessageBox::takeShownTexts(),
            (QStringList { kDeleteQuestion, u"The plan \"Power saver\" is scheduled."_s,
                u"The active power plan cannot be deleted."_s }));
        QCOMPARE(store.schemes().value().size(), 3);
        QVERIFY(!store.schemes().value().contains(quiet));
        QTRY_COMPARE(column(*page, 0), (QStringList { u"Balanced"_s, u"Eco"_s, u"Power saver"_s }));
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(page->focusWidget(), list);
    }

private:
    // A page on the store's default plans, a free plan "Quiet" and "Power saver" scheduled; it
    // follows the store's own watch as the main window has it, so every change of the file, the
    // page's own or another process's, refills the list whatever box is open at that moment.
    std::unique_ptr<PlanListPage> makeStorePage(SchemeStore &store, FakeTaskService &tasks);

    PageFixture m_pages;
    QUuid m_balanced; // active
    QUuid m_saver; // scheduled by time
    QUuid m_performance; // scheduled by network
    QUuid m_quiet; // free
};

std::unique_ptr<PlanListPage> TestPlanListPage::makeStorePage(SchemeStore &store, FakeTaskService &tasks)
{
    const QUuid quiet = store.duplicateScheme(store.activeScheme().value()).value();
    if (!store.writeFriendlyName(quiet, u"Quiet"_s))
        return nullptr;
    const PowerPlanList plans = loadPowerPlans(store).value();
    const auto saver = std::find_if(
        plans.cbegin(), plans.cend(), [](const PowerPlan &plan) { return plan.planName == u"Power saver"_s; });
    if (!schedulePlan(tasks, plans, saver->planGuid))
        return nullptr;
    auto page = m_pages.makePage<PlanListPage>(&store, &tasks);
    connect(&store, &PowerPlatform::schemesChanged, page.get(), &PlanListPage::refresh);
    return page;
}

QTEST_MAIN(TestPlanListPage)
#include "TestPlanListPage.moc"
