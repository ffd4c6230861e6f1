#include "CommandId.h"
#include "DesktopNotifications.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeShellOpener.h"
#include "FakeTaskService.h"
#include "LinkLabel.h"
#include "MainWindow.h"
#include "NotificationStack.h"
#include "NotificationStrip.h"
#include "PictureButton.h"
#include "Profile.h"
#include "QuickSwitchDialog.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "SummaryPage.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const QByteArray kLanguage = "[Ampora]\n"
                             "IDS_POWER_PLAN_CHANGE_HEAD=Power plan changed\n"
                             "IDS_POWER_PLAN_CHANGE_BODY=The active plan is now %s.\n"
                             "IDS_AUTOPLAN=Automatic power plan\n"
                             "IDS_ACTIVE_POWER_PLAN=Active power plan\n";

void choose(QComboBox *list, int index)
{
    // As a user does without the mouse: the list has focus and the arrow keys move its choice.
    list->setFocus();
    while (list->currentIndex() < index)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index)
        QTest::keyClick(list, Qt::Key_Up);
}

void clickButton(PictureButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

} // namespace

class TestQuickSwitchDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void activateIsOfferedOnlyForAnotherPlan();
    void popupOnlyWhenTheSettingIsExactlyTrue_data();
    void popupOnlyWhenTheSettingIsExactlyTrue();
    void summaryTotalsFollowTheSwitchThroughTheStore();

private:
    Services services() { return { *m_platform, m_tasks, m_networks, m_battery, m_capabilities }; }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    FakeTaskService m_tasks;
    FakeNetworkList m_networks;
    FakeBatteryStatusReader m_battery;
    FakeCapabilityReader m_capabilities;
    QUuid m_balanced;
    QUuid m_automatic;
};

void TestQuickSwitchDialog::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s, kLanguage);
    m_platform = std::make_unique<FakePowerPlatform>();
    m_balanced = m_platform->addScheme(u"Balanced"_s);
    m_automatic = m_platform->addScheme(u"TALU - Docked"_s);
    m_platform->addScheme(u"talu - docked"_s);
    m_platform->setActiveDirectly(m_balanced);
}

void TestQuickSwitchDialog::cleanup()
{
    qDeleteAll(NotificationStack::instance().popups());
    m_platform.reset();
    m_env.reset();
}

void TestQuickSwitchDialog::activateIsOfferedOnlyForAnotherPlan()
{
    QuickSwitchDialog switcher(services());
    switcher.show();
    QCOMPARE(switcher.planList()->count(), 3);
    QCOMPARE(switcher.planList()->currentText(), u"Balanced"_s);
    QVERIFY(switcher.activateButton()->isButtonDisabled());

    choose(switcher.planList(), 1);
    QVERIFY(!switcher.activateButton()->isButtonDisabled());
    choose(switcher.planList(), 0);
    QVERIFY(switcher.activateButton()->isButtonDisabled());

    choose(switcher.planList(), 2);
    clickButton(switcher.activateButton());
    QCOMPARE(m_platform->activeScheme().value(), m_platform->storedSchemes().at(2).guid);
    QVERIFY(switcher.activateButton()->isButtonDisabled());
    QVERIFY(switcher.isVisible()); // it stays for another switch

    // An unreadable active plan leaves nothing to choose and nothing to activate.
    m_platform->setUnreadable(true);
    QuickSwitchDialog blind(services());
    QCOMPARE(blind.planList()->count(), 0);
    QVERIFY(blind.activateButton()->isButtonDisabled());
}

void TestQuickSwitchDialog::popupOnlyWhenTheSettingIsExactlyTrue_data()
{
    QTest::addColumn<QString>("setting"); // empty: the key is missing
    QTest::addColumn<int>("plan");
    QTest::addColumn<QString>("title"); // empty: no popup
    QTest::newRow("missing") << QString() << 1 << QString();
    QTest::newRow("other case") << u"True"_s << 1 << QString();
    QTest::newRow("TRUE, automatic plan") << u"TRUE"_s << 1 << u"Automatic power plan"_s;
    QTest::newRow("TRUE, prefix in lower case") << u"TRUE"_s << 2 << u"Power plan changed"_s;
}

void TestQuickSwitchDialog::popupOnlyWhenTheSettingIsExactlyTrue()
{
    QFETCH(QString, setting);
    QFETCH(int, plan);
    QFETCH(QString, title);
    if (!setting.isEmpty())
        QVERIFY(writeSetting(SettingKey::NotifyPlanChanges, setting));

    QuickSwitchDialog switcher(services());
    switcher.show();
    choose(switcher.planList(), plan);
    clickButton(switcher.activateButton());
    const QList<NotificationStrip *> &popups = NotificationStack::instance().popups();
    QCOMPARE(popups.size(), title.isEmpty() ? 0 : 1);
    if (title.isEmpty())
        return;
    QCOMPARE(popups.first()->title(), title);
    QCOMPARE(popups.first()->body(), u"The active plan is now %1."_s.arg(switcher.planList()->currentText()));
}

void TestQuickSwitchDialog::summaryTotalsFollowTheSwitchThroughTheStore()
{
    SchemeStore store(sharedStrings().schemeStoreFile); // starts with Balanced active
    const Services real { store, m_tasks, m_networks, m_battery, m_capabilities };
    FakeShellOpener opener;
    DesktopNotifications notifications;
    MainWindow frame(real, DesktopServices { opener, notifications });
    frame.show();
    auto *summary = qobject_cast<SummaryPage *>(frame.currentPage());
    QTRY_VERIFY(!summary->isReloading());
    QVERIFY(summary->activePlanLine()->text().endsWith(u"Balanced"_s));

    bool switched = false;
    QTimer::singleShot(0, &frame, [&] {
        QTRY_VERIFY(qobject_cast<QuickSwitchDialog *>(QApplication::activeModalWidget()));
        auto *switcher = qobject_cast<QuickSwitchDialog *>(QApplication::activeModalWidget());
        choose(switcher->planList(), switcher->planList()->findText(u"Power saver"_s));
        clickButton(switcher->activateButton());
        switched = true;
        switcher->reject();
    });
    LinkLabel *link = summary->changePlanLink();
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QVERIFY(switched);
    QTRY_VERIFY(summary->activePlanLine()->text().endsWith(u"Power saver"_s));
}

QTEST_MAIN(TestQuickSwitchDialog)
#include "TestQuickSwitchDialog.moc"
