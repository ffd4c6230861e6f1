// SPDX-License-Identifier: GPL-3.0-or-later
// The schedule dialog's power-based type and the conditions of time-based schedules, driven from
// the keyboard as a user without a mouse would.
#include "DialogControl.h"
#include "FakeServices.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "PowerTriggerFile.h"
#include "Profile.h"
#include "ScheduleDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPowerScheduleDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fake = std::make_unique<FakeServices>();
        m_platform = &m_fake->platform;
        m_platform->setActiveDirectly(m_platform->addScheme(u"Balanced"_s));
        m_saver = m_platform->addScheme(u"Power saver"_s);
        ScheduleDialog::setFixedNow(QDateTime(QDate(2031, 3, 14), QTime(10, 0)));
    }

    void powerBasedScheduleIsSavedAndEditedFromTheKeyboard()
    {
        auto dialog = open([](const Services &s) { return std::make_unique<ScheduleDialog>(s); });
        QVERIFY(tabTo(*dialog, u"planList"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // Power saver
        QVERIFY(tabTo(*dialog, u"typeList"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End); // Power based
        QVERIFY(tabTo(*dialog, u"eventList"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // battery below
        QVERIFY(control(*dialog, u"levelBox"_s)->isVisible());
        QVERIFY(tabTo(*dialog, u"levelBox"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), u"15"_s);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!dialog->isVisible());
        const QList<PowerTrigger> saved = PowerTriggerFile::read(*m_platform);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved.first().planGuid, m_saver);
        QCOMPARE(saved.first().event, PowerTrigger::Event::BatteryBelow);
        QCOMPARE(saved.first().threshold, 15);

        // Edited to "on battery": the same schedule, kept enabled; a second one for it is refused.
        auto edit = open([&](const Services &s) { return std::make_unique<ScheduleDialog>(s, saved.first()); });
        QCOMPARE(control<QSpinBox>(*edit, u"levelBox"_s)->value(), 15);
        QVERIFY(tabTo(*edit, u"eventList"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QVERIFY(!control(*edit, u"levelBox"_s)->isVisible());
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!edit->isVisible());
        const QList<PowerTrigger> edited = PowerTriggerFile::read(*m_platform);
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.first().id, saved.first().id);
        QCOMPARE(edited.first().event, PowerTrigger::Event::OnBattery);

        auto twice = open([](const Services &s) { return std::make_unique<ScheduleDialog>(s); });
        control<QComboBox>(*twice, u"typeList"_s)->setCurrentIndex(2);
        control<QComboBox>(*twice, u"eventList"_s)->setCurrentIndex(int(PowerTrigger::Event::OnBattery));
        MessageBox::takeShownTexts();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(control(*twice, u"scheduleButton"_s), Qt::LeftButton);
        QVERIFY(twice->isVisible());
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { Profile::loadText(u"IDS_POWER_TRIGGER_ERROR") });
    }

    void timeBasedConditionsAreWrittenAndShown()
    {
        auto dialog = open([](const Services &s) { return std::make_unique<ScheduleDialog>(s); });
        control<QComboBox>(*dialog, u"typeList"_s)->setCurrentIndex(0);
        control<QRadioButton>(*dialog, u"daily"_s)->setChecked(true);
        QVERIFY(tabTo(*dialog, u"onlyOnMains"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(tabTo(*dialog, u"wake"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        // The fake folder, as a user manager without CAP_WAKE_ALARM, cannot wake the machine.
        QVERIFY(control(*dialog, u"wakeNote"_s)->isVisible());
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(m_fake->tasks.tasks().size(), 1);
        const TaskDefinition written = m_fake->tasks.tasks().first().definition.value();
        QVERIFY(written.settings.disallowStartIfOnBatteries);
        QVERIFY(written.settings.wakeToRun);

        // Opened again for editing, the boxes show what the task holds.
        TimeSchedule schedule;
        schedule.taskName = m_fake->tasks.tasks().first().name;
        schedule.definition = written;
        auto edit = open([&](const Services &s) { return std::make_unique<ScheduleDialog>(s, schedule); });
        QVERIFY(control<QCheckBox>(*edit, u"onlyOnMains"_s)->isChecked());
        QVERIFY(control<QCheckBox>(*edit, u"wake"_s)->isChecked());
    }

private:
    std::unique_ptr<ScheduleDialog> open(const std::function<std::unique_ptr<ScheduleDialog>(const Services &)> &make)
    {
        auto dialog = make(m_fake->services());
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        control(*dialog, u"planList"_s)->setFocus();
        return dialog;
    }

    // Tabs from the plan list until the named control has the focus; false when it never does.
    static bool tabTo(QWidget &dialog, const QString &name)
    {
        for (int step = 0; step < 40; ++step) {
            if (QApplication::focusWidget() && QApplication::focusWidget()->objectName() == name)
                return true;
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Tab);
        }
        return false;
    }

    std::unique_ptr<FakeServices> m_fake;
    FakePowerPlatform *m_platform = nullptr;
    QUuid m_saver;
};

QTEST_MAIN(TestPowerScheduleDialog)
#include "TestPowerScheduleDialog.moc"
