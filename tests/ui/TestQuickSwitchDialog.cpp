// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopNotifications.h"
#include "DialogControl.h"
#include "FakeServices.h"
#include "FakeShellOpener.h"
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

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

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
    void init()
    {
        m_fake = std::make_unique<FakeServices>();
        m_platform = &m_fake->platform;
        const QUuid balanced = m_platform->addScheme(u"Balanced"_s);
        m_platform->addScheme(u"TALU - Docked"_s);
        m_platform->addScheme(u"talu - docked"_s);
        m_platform->setActiveDirectly(balanced);
    }

    void cleanup() { qDeleteAll(NotificationStack::instance().popups()); }

    void activateIsOfferedOnlyForAnotherPlan()
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

    // The popup needs the setting exactly TRUE; a plan named with the automatic prefix (in capitals
    // only) gets the automatic plan's title.
    void popupOnlyWhenTheSettingIsExactlyTrue()
    {
        QuickSwitchDialog switcher(services());
        switcher.show();
        const QList<NotificationStrip *> &popups = NotificationStack::instance().popups();
        const std::tuple<QString, int, QString> steps[] = { { QString(), 1, QString() }, { u"True"_s, 2, QString() },
            { u"TRUE"_s, 1, u"Automatic power plan"_s }, { u"TRUE"_s, 2, u"Power plan changed"_s } };
        qsizetype shown = 0;
        for (const auto &[setting, plan, title] : steps) {
            if (!setting.isEmpty())
                QVERIFY(writeSetting(SettingKey::NotifyPlanChanges, setting));
            activate(switcher, plan);
            QCOMPARE(popups.size(), shown += title.isEmpty() ? 0 : 1);
            if (title.isEmpty())
                continue;
            QCOMPARE(popups.last()->title(), title);
            QCOMPARE(popups.last()->body(),
                u"The active power plan is now \"%1\"."_s.arg(m_platform->storedSchemes().at(plan).name));
        }
    }

    void summaryTotalsFollowTheSwitchThroughTheStore()
    {
        SchemeStore store(sharedStrings().schemeStoreFile); // starts with Balanced active
        const Services real { store, m_fake->tasks, m_fake->networks, m_fake->battery, m_fake->capabilities };
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

private:
    Services services() { return m_fake->services(); }

    std::unique_ptr<FakeServices> m_fake;
    FakePowerPlatform *m_platform = nullptr;
};

QTEST_MAIN(TestQuickSwitchDialog)
#include "TestQuickSwitchDialog.moc"
