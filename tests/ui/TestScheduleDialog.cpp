#include "CheckComboBox.h"
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
#include "Profile.h"
#include "ScheduleDialog.h"
#include "SharedStrings.h"
#include "TaskReader.h"
#include "TestEnvironment.h"

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

void clickRadio(QRadioButton *radio)
{
    // On the indicator, which every style puts at the left.
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
}

// Ticks or unticks days in the open day list with the mouse, then closes the list.
void clickDays(CheckComboBox *days, std::initializer_list<int> rows)
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

} // namespace

class TestScheduleDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void weeklyScheduleIsWrittenThenEditedToDaily();
    void networkScheduleIsSavedOncePerNetwork();
    void scheduleButtonFollowsTheChoices();
    void runNowSwitchesThePlanAndWritesNothing();
    void closeAsksOnlyForTheUsersOwnChanges();
    void savesThatCannotBeMadeKeepTheDialog();

private:
    Services services() const;
    template <typename... Args> std::unique_ptr<ScheduleDialog> open(const Args &...args);
    TaskDefinition writtenTask(PlanTaskWriter::Kind kind, const QDate &date, const QTime &time, int days) const;

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    std::unique_ptr<FakeTaskService> m_tasks;
    std::unique_ptr<FakeNetworkList> m_networks;
    FakeBatteryStatusReader m_battery;
    FakeCapabilityReader m_capabilities;
    QUuid m_balanced;
    QUuid m_saver;
    QUuid m_home;
    QUuid m_office;
};

void TestScheduleDialog::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s,
        TestEnvironment::readFile(TestEnvironment::sourceFile(u"../resources/ampctleng.ini"_s)));
    QVERIFY2(!loadText(u"IDS_SCHEDULE").isEmpty(), "the language file was not found");
    m_platform = std::make_unique<FakePowerPlatform>();
    m_balanced = m_platform->addScheme(u"Balanced"_s);
    m_saver = m_platform->addScheme(u"Power saver"_s);
    m_platform->setActiveDirectly(m_balanced);
    m_tasks = std::make_unique<FakeTaskService>();
    m_networks = std::make_unique<FakeNetworkList>();
    m_office = m_networks->addNetwork(u"Office"_s);
    m_home = m_networks->addNetwork(u"Home"_s, true);
    MessageBox::takeShownTexts();
}

void TestScheduleDialog::cleanup()
{
    MessageBox::takeShownTexts();
    m_networks.reset();
    m_tasks.reset();
    m_platform.reset();
    m_env.reset();
}

Services TestScheduleDialog::services() const
{
    return Services { *m_platform, *m_tasks, *m_networks, m_battery, m_capabilities };
}

template <typename... Args> std::unique_ptr<ScheduleDialog> TestScheduleDialog::open(const Args &...args)
{
    auto dialog = std::make_unique<ScheduleDialog>(services(), args...);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    return dialog;
}

TaskDefinition TestScheduleDialog::writtenTask(
    PlanTaskWriter::Kind kind, const QDate &date, const QTime &time, int days) const
{
    return PlanTaskWriter::definition(kind, sharedStrings().executableFile,
        u"-setactiveplan -"_s + m_saver.toString(QUuid::WithBraces).toUpper(),
        PlanTaskWriter::startBoundary(date, time), days);
}

void TestScheduleDialog::weeklyScheduleIsWrittenThenEditedToDaily()
{
    const auto dialog = open();
    QVERIFY(dialog);
    QCOMPARE(dialog->planList()->count(), 3);
    QCOMPARE(dialog->planList()->itemText(2), u"<"_s + loadText(u"IDS_CREATE_NEW_PLAN") + u">"_s);
    QCOMPARE(dialog->planList()->currentText(), u"Balanced"_s);

    // Power saver, time based, weekly on Monday and Friday at 07:30.
    QTest::keyClick(dialog->planList(), Qt::Key_Down);
    QCOMPARE(dialog->planList()->currentText(), u"Power saver"_s);
    QTest::keyClick(dialog->typeList(), Qt::Key_Up);
    QCOMPARE(dialog->typeList()->currentText(), loadText(u"IDS_TIME_BASED"));
    QVERIFY(!dialog->networkList()->isEnabled());
    clickRadio(dialog->weeklyButton());
    QVERIFY(dialog->dayList()->isVisible());
    QVERIFY(dialog->timePicker()->isVisible());
    QVERIFY(!dialog->datePicker()->isVisible());
    dialog->timePicker()->setTime(QTime(7, 30));
    const QDate today = dialog->datePicker()->date(); // the start date, whatever the clock does meanwhile
    clickDays(dialog->dayList(), { 1, 5 });
    QCOMPARE(dialog->dayList()->text(), u"Mon, Fri"_s);
    QVERIFY(dialog->scheduleButton()->isEnabled());

    QSignalSpy saved(dialog.get(), &ScheduleDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(dialog->scheduleButton(), Qt::LeftButton);
    QCOMPARE(saved.count(), 1);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_OK") });
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_tasks->tasks().size(), 1);
    QCOMPARE(m_tasks->tasks().first().name, u"AMPCTL0"_s);
    QCOMPARE(
        m_tasks->tasks().first().definition, writtenTask(PlanTaskWriter::Kind::Weekly, today, QTime(7, 30), 2 + 32));

    // Opened again from the schedule list: as it was written, with the plan and type fixed.
    const QList<TimeSchedule> schedules = readScheduledTasks(*m_tasks, *m_platform);
    QCOMPARE(schedules.size(), 1);
    const auto edited = open(schedules.first());
    QVERIFY(edited);
    QVERIFY(!edited->planList()->isEnabled() && !edited->typeList()->isEnabled());
    QCOMPARE(edited->planList()->currentText(), u"Power saver"_s);
    QVERIFY(edited->weeklyButton()->isChecked());
    QCOMPARE(edited->timePicker()->time(), QTime(7, 30));
    QCOMPARE(edited->dayList()->text(), u"Mon, Fri"_s);
    QVERIFY(!edited->scheduleButton()->isEnabled());

    // A write the task service refuses is told, keeps the dialog open and the task as it was.
    clickRadio(edited->dailyButton());
    QVERIFY(edited->scheduleButton()->isEnabled());
    QVERIFY(!edited->dayList()->isVisible());
    m_tasks->refuseRegistrations(true);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(edited->scheduleButton(), Qt::LeftButton);
    const QStringList refused = MessageBox::takeShownTexts();
    QCOMPARE(refused.size(), 1);
    QVERIFY2(refused.first().startsWith(u"The schedule could not be saved: "_s), qPrintable(refused.first()));
    QVERIFY(edited->isVisible());
    QCOMPARE(
        m_tasks->tasks().first().definition, writtenTask(PlanTaskWriter::Kind::Weekly, today, QTime(7, 30), 2 + 32));

    // Daily replaces the task under its own name.
    m_tasks->refuseRegistrations(false);
    QSignalSpy editSaved(edited.get(), &ScheduleDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(edited->scheduleButton(), Qt::LeftButton);
    QCOMPARE(editSaved.count(), 1);
    QCOMPARE(m_tasks->tasks().size(), 1);
    QCOMPARE(m_tasks->tasks().first().name, u"AMPCTL0"_s);
    QCOMPARE(m_tasks->tasks().first().definition, writtenTask(PlanTaskWriter::Kind::Daily, today, QTime(7, 30), 0));
}

void TestScheduleDialog::networkScheduleIsSavedOncePerNetwork()
{
    // A new schedule opens on the connected network, ready to save.
    const auto dialog = open();
    QVERIFY(dialog);
    QCOMPARE(dialog->typeList()->currentText(), loadText(u"IDS_NETWORK_BASED"));
    QCOMPARE(dialog->networkList()->count(), 2);
    QCOMPARE(dialog->networkList()->currentText(), u"Home"_s);
    QVERIFY(!dialog->weeklyButton()->isEnabled());
    QVERIFY(dialog->scheduleButton()->isEnabled());
    QTest::keyClick(dialog->planList(), Qt::Key_Down);
    QSignalSpy saved(dialog.get(), &ScheduleDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(dialog->scheduleButton(), Qt::LeftButton);
    QCOMPARE(saved.count(), 1);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_OK") });
    QList<NetworkSchedule> schedules = readNetworkSchedules(*m_platform);
    QCOMPARE(schedules.size(), 1);
    QCOMPARE(schedules.first().networkGuid, m_home);
    QCOMPARE(schedules.first().planGuid, m_saver);

    // Home again: refused with the text, nothing written, still open for another choice.
    const auto second = open();
    QVERIFY(second);
    QSignalSpy secondSaved(second.get(), &ScheduleDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(second->scheduleButton(), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_NETWORK_ERROR") });
    QVERIFY(second->isVisible());
    QCOMPARE(secondSaved.count(), 0);
    QCOMPARE(readNetworkSchedules(*m_platform), schedules);
    QTest::keyClick(second->networkList(), Qt::Key_Up);
    QCOMPARE(second->networkList()->currentText(), u"Office"_s);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(second->scheduleButton(), Qt::LeftButton);
    QCOMPARE(secondSaved.count(), 1);
    QCOMPARE(readNetworkSchedules(*m_platform).size(), 2);

    // Editing Home's schedule: its plan and network, fixed plan and type, nothing changed yet.
    schedules = readNetworkSchedules(*m_platform);
    const auto edited = open(schedules.first());
    QVERIFY(edited);
    QCOMPARE(edited->planList()->currentText(), u"Power saver"_s);
    QCOMPARE(edited->networkList()->currentText(), u"Home"_s);
    QVERIFY(!edited->planList()->isEnabled() && !edited->typeList()->isEnabled());
    QVERIFY(edited->networkList()->isEnabled());
    QVERIFY(!edited->scheduleButton()->isEnabled());
    MessageBox::takeShownTexts();
}

void TestScheduleDialog::scheduleButtonFollowsTheChoices()
{
    // No network known: nothing to save until a choice changes.
    m_networks->setNetworks({});
    const auto dialog = open();
    QVERIFY(dialog);
    QVERIFY(!dialog->scheduleButton()->isEnabled());
    QTest::keyClick(dialog->typeList(), Qt::Key_Up);
    QVERIFY(!dialog->scheduleButton()->isEnabled());

    // Weekly counts once a day is ticked; unticking the only day takes that back.
    clickRadio(dialog->weeklyButton());
    QVERIFY(!dialog->scheduleButton()->isEnabled());
    clickDays(dialog->dayList(), { 3 });
    QVERIFY(dialog->dayList()->getCheck(3));
    QVERIFY(dialog->scheduleButton()->isEnabled());
    clickDays(dialog->dayList(), { 3 });
    QVERIFY(!dialog->dayList()->getCheck(3));
    QVERIFY(!dialog->scheduleButton()->isEnabled());

    // Weekly without a day cannot be saved even so: the writer's message, from Enter.
    dialog->timePicker()->setTime(QTime(6, 0));
    QVERIFY(dialog->scheduleButton()->isEnabled());
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(dialog->weeklyButton(), Qt::Key_Return);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_WEEKLY_ERROR") });
    QVERIFY(dialog->isVisible());
    QVERIFY(m_tasks->tasks().isEmpty());

    // The once layout: both pickers, the date with a four-digit year, no day before today.
    clickRadio(dialog->onceButton());
    QVERIFY(dialog->datePicker()->isVisible());
    QVERIFY(!dialog->dayList()->isVisible());
    QVERIFY(dialog->datePicker()->displayFormat().contains(u"yyyy"_s));
    QCOMPARE(dialog->datePicker()->minimumDate(), QDate::currentDate());
    QVERIFY(dialog->scheduleButton()->isEnabled());
}

void TestScheduleDialog::runNowSwitchesThePlanAndWritesNothing()
{
    const auto dialog = open(m_saver);
    QVERIFY(dialog);
    QCOMPARE(dialog->planList()->currentText(), u"Power saver"_s);
    QVERIFY(!dialog->planList()->isEnabled());
    QTest::keyClick(dialog->typeList(), Qt::Key_Up);
    clickRadio(dialog->runNowButton());
    QVERIFY(!dialog->timePicker()->isVisible());
    QVERIFY(dialog->scheduleButton()->isEnabled());

    QSignalSpy saved(dialog.get(), &ScheduleDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(dialog->scheduleButton(), Qt::Key_Space);
    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(*m_platform->activeScheme(), m_saver);
    QCOMPARE(saved.count(), 0);
    QVERIFY(m_tasks->tasks().isEmpty());
    QVERIFY(readNetworkSchedules(*m_platform).isEmpty());
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_RUN_NOW_OK") });
}

// What the dialog preselected (the connected network, the active plan, the next whole minute) is
// no change of the user's: closing asks nothing and writes nothing. Yes to the question, when the
// save cannot be made, keeps the dialog and the edit.
void TestScheduleDialog::closeAsksOnlyForTheUsersOwnChanges()
{
    const QDateTime before = QDateTime::currentDateTime();
    const auto added = open();
    QVERIFY(added);
    QVERIFY(added->scheduleButton()->isEnabled()); // the preselected network can be saved as it is
    // A once time offered is still to come when saved at once.
    const QDateTime offered(added->datePicker()->date(), added->timePicker()->time());
    QVERIFY(offered > before && offered <= before.addSecs(120));
    QCOMPARE(offered.time().second(), 0);
    MessageBox::setNextAnswer(QMessageBox::Yes); // would create a network schedule, if asked
    QTest::keyClick(added.get(), Qt::Key_Escape);
    QTRY_VERIFY(!added->isVisible());
    QCOMPARE(MessageBox::takeShownTexts(), QStringList());
    QVERIFY(readNetworkSchedules(*m_platform).isEmpty());

    // An edited daily schedule made weekly, at another time, with no day: Yes shows why it
    // cannot be saved, and the dialog stays with the edit.
    m_tasks->addTask(
        { u"AMPCTL0"_s, true, writtenTask(PlanTaskWriter::Kind::Daily, QDate(2024, 7, 5), QTime(7, 30), 0) });
    const auto edited = open(readScheduledTasks(*m_tasks, *m_platform).first());
    QVERIFY(edited);
    edited->timePicker()->setTime(QTime(9, 15));
    clickRadio(edited->weeklyButton());
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(edited.get(), Qt::Key_Escape);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList({ loadText(u"IDS_CLOSE_QUES"), loadText(u"IDS_WEEKLY_ERROR") }));
    QVERIFY(edited->isVisible());
    QCOMPARE(edited->timePicker()->time(), QTime(9, 15));
    QVERIFY(edited->weeklyButton()->isChecked());
    QCOMPARE(m_tasks->tasks().first().definition->triggers.first().type, TaskDefinition::TriggerType::Daily);
}

// Each refusal is told in the language's words, and the dialog stays open with the edit: a once
// time that has passed; a schedule whose name another schedule took while the dialog was open,
// which is left as it is; a schedule removed meanwhile, which is not brought back.
void TestScheduleDialog::savesThatCannotBeMadeKeepTheDialog()
{
    m_tasks->addTask(
        { u"AMPCTL4"_s, true, writtenTask(PlanTaskWriter::Kind::Once, QDate(2020, 1, 1), QTime(10, 0), 0) });
    const auto edited = open(readScheduledTasks(*m_tasks, *m_platform).first());
    QVERIFY(edited);
    QCOMPARE(edited->datePicker()->date(), QDate(2020, 1, 1));
    edited->timePicker()->setTime(QTime(11, 0));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(edited->scheduleButton(), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_PAST_TIME_ERROR") });
    QVERIFY(edited->isVisible());

    // ampctl remove AMPCTL4; ampctl schedule ... meanwhile.
    edited->datePicker()->setDate(QDate(2090, 1, 1));
    QVERIFY(m_tasks->deleteTask(u"AMPCTL4"_s));
    const TaskDefinition other = writtenTask(PlanTaskWriter::Kind::Daily, QDate(2024, 7, 5), QTime(6, 0), 0);
    QVERIFY(m_tasks->registerTask(u"AMPCTL4"_s, other, TaskService::Registration::Create));
    QSignalSpy saved(edited.get(), &ScheduleDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(edited->scheduleButton(), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_CHANGED_ERROR") });
    QVERIFY(edited->isVisible());
    QCOMPARE(m_tasks->task(u"AMPCTL4"_s)->definition, std::optional(other));

    QVERIFY(m_tasks->deleteTask(u"AMPCTL4"_s));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(edited->scheduleButton(), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_SCHEDULE_GONE_ERROR") });
    QVERIFY(edited->isVisible());
    QVERIFY(m_tasks->tasks().isEmpty());
    QCOMPARE(saved.count(), 0);
    QCOMPARE(edited->datePicker()->date(), QDate(2090, 1, 1));
}

QTEST_MAIN(TestScheduleDialog)
#include "TestScheduleDialog.moc"
