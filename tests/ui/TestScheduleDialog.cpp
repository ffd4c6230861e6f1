// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckComboBox.h"
#include "DialogControl.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PageTestSupport.h"
#include "Profile.h"
#include "ScheduleDialog.h"
#include "SharedStrings.h"
#include "TaskReader.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>
#include <memory>

using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

// The dialogs open half a minute before midnight: the coming whole minute is tomorrow's first.
const QDate kToday(2031, 3, 14);
const QDate kTomorrow = kToday.addDays(1);

void clickRadio(QRadioButton *radio)
{
    // On the indicator, which every style puts at the left.
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
}

// An open dialog and its controls, found by their names.
struct Opened
{
    std::unique_ptr<ScheduleDialog> dialog;
    QComboBox *plans = control<QComboBox>(*dialog, u"planList"_s);
    QComboBox *type = control<QComboBox>(*dialog, u"typeList"_s);
    QComboBox *networks = control<QComboBox>(*dialog, u"networkList"_s);
    QRadioButton *runNow = control<QRadioButton>(*dialog, u"runNow"_s);
    QRadioButton *once = control<QRadioButton>(*dialog, u"once"_s);
    QRadioButton *daily = control<QRadioButton>(*dialog, u"daily"_s);
    QRadioButton *weekly = control<QRadioButton>(*dialog, u"weekly"_s);
    QTimeEdit *time = control<QTimeEdit>(*dialog, u"timePicker"_s);
    QDateEdit *date = control<QDateEdit>(*dialog, u"datePicker"_s);
    CheckComboBox *days = control<CheckComboBox>(*dialog, u"dayList"_s);
    PictureButton *schedule = control<PictureButton>(*dialog, u"scheduleButton"_s);

    // Ticks or unticks days in the open day list with the mouse, then closes the list.
    void clickDays(std::initializer_list<int> rows) const
    {
        QTest::mouseClick(days, Qt::LeftButton);
        QAbstractItemView *view = days->view();
        QTRY_VERIFY(view->isVisible());
        for (int row : rows)
            QTest::mouseClick(
                view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!view->isVisible());
    }
    // Schedule, answering the message it shows.
    void save() const
    {
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(schedule, Qt::LeftButton);
    }
};

enum class Meanwhile { Nothing, NameTaken, Removed, ServiceRefuses };
enum class Edit { PastTime, Later, WeeklyWithoutDay };

} // namespace

class TestScheduleDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_pages.start();
        QVERIFY2(!loadText(u"IDS_SCHEDULE").isEmpty(), "the language file was not found");
        m_platform = m_pages.platform.get();
        m_tasks = m_pages.tasks.get();
        m_balanced = m_platform->addScheme(u"Balanced"_s);
        m_saver = m_platform->addScheme(u"Power saver"_s);
        m_platform->setActiveDirectly(m_balanced);
        m_pages.networks.setNetworks({});
        m_pages.networks.addNetwork(u"Office"_s);
        m_home = m_pages.networks.addNetwork(u"Home"_s, true);
        ScheduleDialog::setFixedNow(QDateTime(kToday, QTime(23, 59, 30)));
        MessageBox::takeShownTexts();
    }

    void weeklyScheduleIsWrittenThenEditedToDaily()
    {
        const Opened added = open();
        QCOMPARE(added.plans->count(), 3);
        QCOMPARE(added.plans->itemText(2), u"<"_s + loadText(u"IDS_CREATE_NEW_PLAN") + u">"_s);
        QCOMPARE(added.plans->currentText(), u"Balanced"_s);

        // Power saver, time based, weekly on Monday and Friday at 07:30.
        QTest::keyClick(added.plans, Qt::Key_Down);
        QTest::keyClick(added.type, Qt::Key_Up);
        QCOMPARE(added.type->currentText(), loadText(u"IDS_TIME_BASED"));
        QVERIFY(!added.networks->isEnabled());
        clickRadio(added.weekly);
        QVERIFY(added.days->isVisible() && added.time->isVisible() && !added.date->isVisible());
        added.time->setTime(QTime(7, 30));
        added.clickDays({ 1, 5 });
        QCOMPARE(added.days->text(), u"Mon, Fri"_s);
        QSignalSpy saved(added.dialog.get(), &ScheduleDialog::saved);
        added.save();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_OK") });
        QCOMPARE(added.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(m_tasks->tasks().size(), 1);
        QCOMPARE(m_tasks->task(u"AMPCTL0"_s)->definition,
            writtenTask(PlanTaskWriter::Kind::Weekly, kTomorrow, QTime(7, 30), 2 + 32));

        // Opened again from the schedule list: as it was written, with the plan and type fixed.
        const Opened edited = open(readScheduledTasks(*m_tasks, *m_platform).first());
        QVERIFY(!edited.plans->isEnabled() && !edited.type->isEnabled());
        QCOMPARE(edited.plans->currentText(), u"Power saver"_s);
        QVERIFY(edited.weekly->isChecked());
        QCOMPARE(edited.time->time(), QTime(7, 30));
        QCOMPARE(edited.days->text(), u"Mon, Fri"_s);
        QVERIFY(!edited.schedule->isEnabled());

        // Daily replaces the task under its own name.
        clickRadio(edited.daily);
        QVERIFY(!edited.days->isVisible());
        edited.save();
        QCOMPARE(m_tasks->tasks().size(), 1);
        QCOMPARE(m_tasks->task(u"AMPCTL0"_s)->definition,
            writtenTask(PlanTaskWriter::Kind::Daily, kTomorrow, QTime(7, 30), 0));
    }

    void networkScheduleIsSavedOncePerNetwork()
    {
        // A new schedule opens on the connected network, ready to save.
        const Opened added = open();
        QCOMPARE(added.type->currentText(), loadText(u"IDS_NETWORK_BASED"));
        QCOMPARE(added.networks->count(), 2);
        QCOMPARE(added.networks->currentText(), u"Home"_s);
        QVERIFY(!added.weekly->isEnabled());
        QTest::keyClick(added.plans, Qt::Key_Down);
        added.save();
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_OK") });
        const QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
        QCOMPARE(schedules.size(), 1);
        QCOMPARE(schedules.first().networkGuid, m_home);
        QCOMPARE(schedules.first().planGuid, m_saver);

        // Home again: refused with the text, nothing written, still open for another choice.
        const Opened second = open();
        QSignalSpy saved(second.dialog.get(), &ScheduleDialog::saved);
        second.save();
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_NETWORK_ERROR") });
        QVERIFY(second.dialog->isVisible());
        QCOMPARE(readNetworkSchedules(*m_platform), schedules);
        QTest::keyClick(second.networks, Qt::Key_Up);
        second.save();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(readNetworkSchedules(*m_platform).size(), 2);

        // Editing Home's schedule: its plan and network, fixed plan and type, nothing changed yet.
        const Opened edited = open(schedules.first());
        QCOMPARE(edited.plans->currentText(), u"Power saver"_s);
        QCOMPARE(edited.networks->currentText(), u"Home"_s);
        QVERIFY(!edited.plans->isEnabled() && !edited.type->isEnabled() && edited.networks->isEnabled());
        QVERIFY(!edited.schedule->isEnabled());
    }

    // What the dialog preselected (the connected network, the active plan, the next whole minute) is
    // no change of the user's: closing asks nothing and writes nothing.
    void preselectionsAreNoChangeAndTheButtonFollowsTheChoices()
    {
        const Opened added = open();
        QVERIFY(added.schedule->isEnabled()); // the preselected network can be saved as it is
        // The coming whole minute, and no day before the one the dialog opened on.
        QCOMPARE(QDateTime(added.date->date(), added.time->time()), QDateTime(kTomorrow, QTime(0, 0)));
        QCOMPARE(added.date->minimumDate(), kToday);
        MessageBox::setNextAnswer(QMessageBox::Yes); // would create a network schedule, if asked
        QTest::keyClick(added.dialog.get(), Qt::Key_Escape);
        QVERIFY(!added.dialog->isVisible());
        QCOMPARE(MessageBox::takeShownTexts(), QStringList());
        QVERIFY(readNetworkSchedules(*m_platform).isEmpty());

        // No network known: nothing to save until a choice changes.
        m_pages.networks.setNetworks({});
        const Opened dialog = open();
        QVERIFY(!dialog.schedule->isEnabled());
        QTest::keyClick(dialog.type, Qt::Key_Up);
        QVERIFY(!dialog.schedule->isEnabled());
        // Weekly counts once a day is ticked; unticking the only day takes that back.
        clickRadio(dialog.weekly);
        QVERIFY(!dialog.schedule->isEnabled());
        dialog.clickDays({ 3 });
        QCOMPARE(dialog.days->text(), u"Wed"_s);
        QVERIFY(dialog.schedule->isEnabled());
        dialog.clickDays({ 3 });
        QCOMPARE(dialog.days->text(), QString());
        QVERIFY(!dialog.schedule->isEnabled());
        // Weekly without a day cannot be saved even so: the writer's message, from Enter, which
        // takes the answer left from above.
        dialog.time->setTime(QTime(6, 0));
        QTest::keyClick(dialog.weekly, Qt::Key_Return);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_WEEKLY_ERROR") });
        QVERIFY(dialog.dialog->isVisible());
        QVERIFY(m_tasks->tasks().isEmpty());

        // Once: both pickers, the date with a four-digit year.
        clickRadio(dialog.once);
        QVERIFY(dialog.date->isVisible() && !dialog.days->isVisible());
        QVERIFY(dialog.date->displayFormat().contains(u"yyyy"_s));
        QVERIFY(dialog.schedule->isEnabled());
    }

    void runNowSwitchesThePlanAndWritesNothing()
    {
        const Opened dialog = open(m_saver);
        QCOMPARE(dialog.plans->currentText(), u"Power saver"_s);
        QVERIFY(!dialog.plans->isEnabled());
        QTest::keyClick(dialog.type, Qt::Key_Up);
        clickRadio(dialog.runNow);
        QVERIFY(!dialog.time->isVisible());

        QSignalSpy saved(dialog.dialog.get(), &ScheduleDialog::saved);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(dialog.schedule, Qt::Key_Space);
        QTRY_VERIFY(!dialog.dialog->isVisible());
        QCOMPARE(*m_platform->activeScheme(), m_saver);
        QCOMPARE(saved.count(), 0);
        QVERIFY(m_tasks->tasks().isEmpty());
        QVERIFY(readNetworkSchedules(*m_platform).isEmpty());
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_RUN_NOW_OK") });
    }

    void refusedSaveIsToldAndKeepsTheDialogAndTheEdit_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<Meanwhile>("meanwhile"); // what another process does while the dialog is open
        QTest::addColumn<bool>("viaClose"); // Esc and Yes to the close question rather than the button
        QTest::addColumn<QString>("told"); // the language key; its text up to a %s
        QTest::newRow("once time passed") << Edit::PastTime << Meanwhile::Nothing << false << u"IDS_PAST_TIME_ERROR"_s;
        QTest::newRow("name taken meanwhile, left as it is")
            << Edit::Later << Meanwhile::NameTaken << false << u"IDS_SCHEDULE_CHANGED_ERROR"_s;
        QTest::newRow("removed meanwhile, not brought back")
            << Edit::Later << Meanwhile::Removed << false << u"IDS_SCHEDULE_GONE_ERROR"_s;
        QTest::newRow("task service refuses")
            << Edit::Later << Meanwhile::ServiceRefuses << false << u"IDS_SCHEDULE_WRITE_ERROR"_s;
        QTest::newRow("weekly without a day, Yes to the close question")
            << Edit::WeeklyWithoutDay << Meanwhile::Nothing << true << u"IDS_WEEKLY_ERROR"_s;
    }

    void refusedSaveIsToldAndKeepsTheDialogAndTheEdit()
    {
        QFETCH(Edit, edit);
        QFETCH(Meanwhile, meanwhile);
        QFETCH(bool, viaClose);
        QFETCH(QString, told);
        const TaskDefinition original = writtenTask(PlanTaskWriter::Kind::Once, QDate(2020, 1, 1), QTime(10, 0), 0);
        m_tasks->addTask({ u"AMPCTL4"_s, true, original });
        const Opened edited = open(readScheduledTasks(*m_tasks, *m_platform).first());
        QCOMPARE(edited.date->date(), QDate(2020, 1, 1));
        edited.time->setTime(QTime(11, 0));
        if (edit == Edit::Later)
            edited.date->setDate(QDate(2090, 1, 1));
        if (edit == Edit::WeeklyWithoutDay)
            clickRadio(edited.weekly);

        const TaskDefinition other = writtenTask(PlanTaskWriter::Kind::Daily, QDate(2024, 7, 5), QTime(6, 0), 0);
        if (meanwhile == Meanwhile::NameTaken || meanwhile == Meanwhile::Removed)
            QVERIFY(m_tasks->deleteTask(u"AMPCTL4"_s));
        if (meanwhile == Meanwhile::NameTaken)
            QVERIFY(m_tasks->registerTask(u"AMPCTL4"_s, other, TaskService::Registration::Create));
        m_tasks->refuseRegistrations(meanwhile == Meanwhile::ServiceRefuses);

        QSignalSpy saved(edited.dialog.get(), &ScheduleDialog::saved);
        if (viaClose) {
            MessageBox::setNextAnswer(QMessageBox::Yes);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            QTest::keyClick(edited.dialog.get(), Qt::Key_Escape);
        } else {
            edited.save();
        }
        QStringList shown = MessageBox::takeShownTexts();
        if (viaClose)
            QCOMPARE(shown.takeFirst(), loadText(u"IDS_CLOSE_QUES"));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(loadText(told).section(u"%s"_s, 0, 0)), qPrintable(shown.first()));
        QVERIFY(edited.dialog->isVisible());
        QCOMPARE(saved.count(), 0);
        QCOMPARE(edited.time->time(), QTime(11, 0));
        QCOMPARE(edited.weekly->isChecked(), edit == Edit::WeeklyWithoutDay);
        const RegisteredTask *task = m_tasks->task(u"AMPCTL4"_s);
        QCOMPARE(task != nullptr, meanwhile != Meanwhile::Removed);
        if (task)
            QCOMPARE(task->definition, std::optional(meanwhile == Meanwhile::NameTaken ? other : original));
    }

private:
    template <typename... Args> Opened open(const Args &...args)
    {
        Opened opened { std::make_unique<ScheduleDialog>(
            Services { *m_platform, *m_tasks, m_pages.networks, m_pages.battery, m_pages.capabilities }, args...) };
        opened.dialog->show();
        return opened;
    }

    TaskDefinition writtenTask(PlanTaskWriter::Kind kind, const QDate &date, const QTime &time, int days) const
    {
        return PlanTaskWriter::definition(kind, sharedStrings().executableFile,
            u"-setactiveplan -"_s + m_saver.toString(QUuid::WithBraces).toUpper(),
            PlanTaskWriter::startBoundary(date, time), days);
    }

    PageFixture m_pages;
    FakePowerPlatform *m_platform = nullptr;
    FakeTaskService *m_tasks = nullptr;
    QUuid m_balanced;
    QUuid m_saver;
    QUuid m_home;
};

QTEST_MAIN(TestScheduleDialog)
#include "TestScheduleDialog.moc"
