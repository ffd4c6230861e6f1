#include "DesktopNotifications.h"
#include "DialogControl.h"
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

// Chooses the plan at index as a user does without the mouse, with the arrow keys, and activates it.
void activate(const QuickSwitchDialog &switcher, int index)
{
    auto *list = control<QComboBox>(switcher, u"planList"_s);
    while (list->currentIndex() != index)
        QTest::keyClick(list, list->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    QTest::mouseClick(control(switcher, u"activateButton"_s), Qt::LeftButton);
}

bool activateOffered(const QuickSwitchDialog &switcher)
{
    return !control<PictureButton>(switcher, u"activateButton"_s)->isButtonDisabled();
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
};

void TestQuickSwitchDialog::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s, kLanguage);
    m_platform = std::make_unique<FakePowerPlatform>();
    const QUuid balanced = m_platform->addScheme(u"Balanced"_s);
    m_platform->addScheme(u"TALU - Docked"_s);
    m_platform->addScheme(u"talu - docked"_s);
    m_platform->setActiveDirectly(balanced);
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
    auto *list = control<QComboBox>(switcher, u"planList"_s);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentText(), u"Balanced"_s);
    QVERIFY(!activateOffered(switcher));
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(activateOffered(switcher));
    QTest::keyClick(list, Qt::Key_Up);
    QVERIFY(!activateOffered(switcher));

    activate(switcher, 2);
    QCOMPARE(m_platform->activeScheme().value(), m_platform->storedSchemes().at(2).guid);
    QVERIFY(!activateOffered(switcher));
    QVERIFY(switcher.isVisible()); // it stays for another switch

    // An unreadable active plan leaves nothing to choose and nothing to activate.
    m_platform->setUnreadable(true);
    QuickSwitchDialog blind(services());
    QCOMPARE(control<QComboBox>(blind, u"planList"_s)->count(), 0);
    QVERIFY(!activateOffered(blind));
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
    activate(switcher, plan);
    const QList<NotificationStrip *> &popups = NotificationStack::instance().popups();
    QCOMPARE(popups.size(), title.isEmpty() ? 0 : 1);
    if (title.isEmpty())
        return;
    QCOMPARE(popups.first()->title(), title);
    QCOMPARE(popups.first()->body(), u"The active plan is now %1."_s.arg(m_platform->storedSchemes().at(plan).name));
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
    QVERIFY(summary->findChild<QLabel *>(u"activePlanLine"_s)->text().endsWith(u"Balanced"_s));

    bool switched = false;
    QTimer::singleShot(0, &frame, [&] {
        QTRY_VERIFY(qobject_cast<QuickSwitchDialog *>(QApplication::activeModalWidget()));
        auto *switcher = qobject_cast<QuickSwitchDialog *>(QApplication::activeModalWidget());
        activate(*switcher, control<QComboBox>(*switcher, u"planList"_s)->findText(u"Power saver"_s));
        switched = true;
        switcher->reject();
    });
    LinkLabel *link = summary->findChild<LinkLabel *>(u"changePlanLink"_s);
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QVERIFY(switched);
    QTRY_VERIFY(summary->findChild<QLabel *>(u"activePlanLine"_s)->text().endsWith(u"Power saver"_s));
}

QTEST_MAIN(TestQuickSwitchDialog)
#include "TestQuickSwitchDialog.moc"
