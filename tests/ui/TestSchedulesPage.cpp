// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PageTestSupport.h"
#include "Profile.h"
#include "ScheduleDialog.h"
#include "SchedulesPage.h"
#include "SharedStrings.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

enum Row { SaverRow, QuietRow, OfficeRow, HomeRow };

// Clicks in the last column: no check box, no link.
constexpr int kPlainCell = 500;

} // namespace

class TestSchedulesPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_pages.start();
        FakePowerPlatform &platform = *m_pages.platform;
        const QUuid balanced = platform.addScheme(u"Balanced"_s);
        const QUuid saver = platform.addScheme(u"Power saver"_s);
        const QUuid performance = platform.addScheme(u"High performance"_s);
        const QUuid quiet = platform.addScheme(u"Quiet"_s);
        platform.setActiveDirectly(balanced);
        const PowerPlanList plans = loadPowerPlans(platform).value();

        // Written in another order than they are listed: time-based rows come by plan name.
        FakeTaskService &tasks = *m_pages.tasks;
        QVERIFY(
            schedulePlan(tasks, plans, quiet, PlanTaskWriter::Kind::Once, QDateTime(QDate(2090, 1, 2), QTime(21, 30))));
        QVERIFY(schedulePlan(tasks, plans, saver));
        m_quietTask = tasks.tasks().at(0).name;
        m_saverTask = tasks.tasks().at(1).name;
        QVERIFY(tasks.setTaskEnabled(m_quietTask, false));

        m_office = QUuid::createUuid();
        m_home = QUuid::createUuid();
        QVERIFY(
            saveNetworkSchedule(platform, { u"Office"_s, m_office, true }, plans.at(*findPlan(plans, performance))));
        QVERIFY(saveNetworkSchedule(platform, { u"Home"_s, m_home, false }, plans.at(*findPlan(plans, balanced))));
        QVERIFY(setNetworkScheduleEnabled(platform, m_home, false));
        MessageBox::takeShownTexts();
    }

    void listsTimeThenNetworkSchedulesWithTheirState()
    {
        const auto page = makePage();
        QCOMPARE(
            column(*page, 0), (QStringList { u"Power saver"_s, u"Quiet"_s, u"High performance"_s, u"Balanced"_s }));
        QCOMPARE(column(*page, 1), (QStringList { u"Enabled"_s, u"Disabled"_s, u"Enabled"_s, u"Disabled"_s }));
        QCOMPARE(column(*page, 2),
            (QStringList { u"Time based"_s, u"Time based"_s, u"Network based"_s, u"Network based"_s }));
        QCOMPARE(column(*page, 3),
            (QStringList { u"Daily at 08:00:00 AM from 2030/01/01"_s, u"Once at 09:30:00 PM on 2090/01/02"_s,
                u"Office"_s, u"Home"_s }));
        QCOMPARE(checks(*page), (QList<bool> { true, false, true, false }));

        // Nothing to act on until a row is chosen; then the row's state decides Enable or Disable.
        // The buttons and the menu offer the same actions.
        QCOMPARE(page->currentRow(), -1);
        QCOMPARE(offered(*page), (QList<bool> { false, false, false, false }));
        QVERIFY(buttonOf(*page, u"editSchedule"_s)->isButtonDisabled());
        QCOMPARE(page->findChild<QMenu *>(u"listMenu"_s)->actions().at(3), actionOf(*page, u"disableSchedule"_s));
        selectRows(*page, { OfficeRow }, kPlainCell);
        QCOMPARE(page->currentRow(), int(OfficeRow));
        QCOMPARE(offered(*page), (QList<bool> { true, false, true, true }));
        QVERIFY(!buttonOf(*page, u"editSchedule"_s)->isButtonDisabled());
        selectRows(*page, { QuietRow }, kPlainCell);
        QCOMPARE(offered(*page), (QList<bool> { true, true, false, true }));

        // A schedule changed outside: F5 reads both kinds again, keeping the user on their row.
        QVERIFY(m_pages.tasks->setTaskEnabled(m_quietTask, true));
        listOf(*page)->sortRows(0, Qt::AscendingOrder);
        QSignalSpy reloads(page.get(), &SchedulesPage::reloaded);
        QTest::keyClick(listOf(*page), Qt::Key_F5);
        QTRY_COMPARE(reloads.size(), 1);
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(listOf(*page)->header()->sortIndicatorSection(), -1);
        QCOMPARE(column(*page, 0).first(), u"Power saver"_s);
        QCOMPARE(checks(*page), (QList<bool> { true, true, true, false }));
        QCOMPARE(page->currentRow(), int(QuietRow));
        QCOMPARE(offered(*page), (QList<bool> { true, false, true, true }));
    }

    void togglingWritesAtOnceAndAFailureKeepsTheRow()
    {
        const auto page = makePage();
        ReportList *list = listOf(*page);
        FakeTaskService &tasks = *m_pages.tasks;

        // The status cell of a time row turns its task off, of a network row writes the file.
        clickStatus(*page, SaverRow);
        QCOMPARE(tasks.task(m_saverTask)->enabled, false);
        QCOMPARE(list->topLevelItem(SaverRow)->text(1), u"Disabled"_s);
        QVERIFY(!list->isChecked(SaverRow));
        QCOMPARE(offered(*page), (QList<bool> { true, true, false, true }));
        clickStatus(*page, HomeRow);
        QVERIFY(networkEnabled(m_home));
        QCOMPARE(list->topLevelItem(HomeRow)->text(1), u"Enabled"_s);

        // Sorted the other way, each row still reaches its own schedule: from the Enable button,
        // with Space, and by ticking the box itself.
        list->sortRows(0, Qt::DescendingOrder); // Quiet, Power saver, High performance, Balanced
        QCOMPARE(column(*page, 0).at(1), u"Power saver"_s);
        selectRows(*page, { 1 }, kPlainCell);
        QTest::mouseClick(buttonOf(*page, u"enableSchedule"_s), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(tasks.task(m_saverTask)->enabled, true);
        QTest::keyClick(list, Qt::Key_Down); // High performance
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!networkEnabled(m_office));
        QCOMPARE(list->topLevelItem(2)->text(1), u"Disabled"_s);
        list->setCheck(0, true); // what a click on Quiet's box does
        QCOMPARE(tasks.task(m_quietTask)->enabled, true);
        QCOMPARE(list->topLevelItem(0)->text(1), u"Enabled"_s);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList());

        // The task folder refuses: the failure is shown and the row stays as it was.
        tasks.setUnreachable(true);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        clickStatus(*page, 0);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"the fake task folder is unreachable"_s });
        QVERIFY(list->isChecked(0));
        QCOMPARE(list->topLevelItem(0)->text(1), u"Enabled"_s);
        QCOMPARE(page->currentRow(), 0);
        QCOMPARE(offered(*page), (QList<bool> { true, false, true, true }));
    }

    void removeAsksFirstAndWorksFromTheLastRow()
    {
        const auto page = makePage();
        ReportList *list = listOf(*page);

        selectRows(*page, { SaverRow, QuietRow, HomeRow }, kPlainCell);
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { kDeleteQuestion });
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(m_pages.tasks->deleteCalls(), QStringList());

        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(buttonOf(*page, u"removeSchedules"_s), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { kDeleteQuestion });
        QCOMPARE(m_pages.tasks->deleteCalls(), (QStringList { m_quietTask, m_saverTask }));
        QVERIFY(m_pages.tasks->tasks().isEmpty());
        const QList<NetworkSchedule> left = readNetworkSchedules(*m_pages.platform);
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first().networkGuid, m_office);
        QCOMPARE(column(*page, 3), QStringList { u"Office"_s });
        QCOMPARE(page->currentRow(), -1);
        QCOMPARE(offered(*page), (QList<bool> { false, false, false, false }));

        // The last network schedule goes with its file; the empty list offers Add alone.
        selectRows(*page, { 0 }, kPlainCell);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        actionOf(*page, u"removeSchedules"_s)->trigger();
        QVERIFY(!QFile::exists(sharedStrings().networkFile));
        QCOMPARE(list->topLevelItemCount(), 0);
        QCOMPARE(offered(*page), (QList<bool> { false, false, false, false }));
    }

    void addAndEditOpenTheScheduleDialog()
    {
        const auto page = makePage();
        ReportList *list = listOf(*page);
        list->setFocus();

        // Each way in opens the schedule dialog over the page, new or on the row's own schedule: an
        // edit fixes the kind and the plan. A saved schedule reloads the page.
        QStringList opened;
        const auto expectDialog = [&](bool save) {
            whenModal<ScheduleDialog>([&, save](ScheduleDialog *dialog) {
                QCOMPARE(dialog->parentWidget(), page.get());
                const auto *type = dialog->findChild<QComboBox *>(u"typeList"_s);
                const QString kind = type->currentIndex() == 1                  ? u"network"_s
                    : dialog->findChild<QRadioButton *>(u"once"_s)->isChecked() ? u"once"_s
                                                                                : u"time"_s;
                opened.append(type->isEnabled()
                        ? u"new"_s
                        : kind + u' ' + dialog->findChild<QComboBox *>(u"planList"_s)->currentText());
                if (save)
                    Q_EMIT dialog->saved();
            });
        };
        QSignalSpy reloads(page.get(), &SchedulesPage::reloaded);
        expectDialog(true);
        QTest::mouseClick(buttonOf(*page, u"addSchedule"_s), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(opened, QStringList { u"new"_s });
        QTRY_COMPARE(reloads.size(), 1);
        WAIT_FOR_RELOAD(*page);

        list->setCurrentItem(list->topLevelItem(OfficeRow));
        expectDialog(false);
        QTest::keyClick(list, Qt::Key_Return);
        expectDialog(false);
        const QRect quiet = list->visualItemRect(list->topLevelItem(QuietRow));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(quiet.left() + kPlainCell, quiet.center().y()));
        const QStringList edits { u"new"_s, u"network High performance"_s, u"once Quiet"_s };
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
    void damagedRowsAndStatusDoubleClicks()
    {
        const QString why = u"its OnCalendar= lines were changed outside Ampora"_s;
        m_pages.tasks->addTask({ u"AMPCTL7"_s, true, std::nullopt, why });
        const auto page = makePage();
        ReportList *list = listOf(*page);
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
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, status, list->viewport()->mapToGlobal(status),
            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &doubleClick);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, status);
        QTRY_VERIFY(looked);
        QVERIFY(!opened);
        QCOMPARE(m_pages.tasks->task(m_saverTask)->enabled, false);

        const int damaged = int(column(*page, 3).indexOf(u"Cannot be read: "_s + why));
        QVERIFY(damaged >= 0);
        QCOMPARE(list->topLevelItem(damaged)->text(1), u"Enabled"_s);
        selectRows(*page, { damaged }, kPlainCell);
        closeAnyDialog();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(looked);
        QVERIFY(!opened);
        QCOMPARE(
            MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_DAMAGED_EDIT").replace(u"%s"_s, why) });
    }

private:
    std::unique_ptr<SchedulesPage> makePage()
    {
        auto page = m_pages.makePage<SchedulesPage>();
        [&] { WAIT_FOR_RELOAD(*page); }();
        return page;
    }

    // Which of Edit, Enable, Disable, Remove are offered; Add always is.
    QList<bool> offered(const SchedulesPage &page) const
    {
        if (!actionOf(page, u"addSchedule"_s)->isEnabled())
            return {};
        QList<bool> enabled;
        for (const QString &name :
            { u"editSchedule"_s, u"enableSchedule"_s, u"disableSchedule"_s, u"removeSchedules"_s })
            enabled.append(actionOf(page, name)->isEnabled());
        return enabled;
    }

    QList<bool> checks(const SchedulesPage &page) const
    {
        QList<bool> checked;
        for (int row = 0; row < listOf(page)->topLevelItemCount(); ++row)
            checked.append(listOf(page)->isChecked(row));
        return checked;
    }

    void clickStatus(SchedulesPage &page, int row)
    {
        ReportList *list = listOf(page);
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 1)).center());
    }

    bool networkEnabled(const QUuid &network) const
    {
        for (const NetworkSchedule &schedule : readNetworkSchedules(*m_pages.platform)) {
            if (schedule.networkGuid == network)
                return schedule.enabled;
        }
        return false;
    }

    PageFixture m_pages;
    QString m_saverTask; // daily, enabled
    QString m_quietTask; // once, disabled
    QUuid m_office; // network, enabled
    QUuid m_home; // network, disabled
};

QTEST_MAIN(TestSchedulesPage)
#include "TestSchedulesPage.moc"
