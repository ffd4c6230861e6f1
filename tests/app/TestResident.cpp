// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatteryPopup.h"
#include "DesktopNotifications.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakeShellOpener.h"
#include "FakeTaskService.h"
#include "GSettingsKey.h"
#include "GnomeSettingsFixture.h"
#include "MainWindow.h"
#include "NotificationStack.h"
#include "NotificationStrip.h"
#include "PlanFollower.h"
#include "PowerSettings.h"
#include "PrivateBus.h"
#include "Profile.h"
#include "ResidentServices.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

using PowerSettings::defaultPlans;
using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kSession = u"org/gnome/desktop/session"_s;
const QString kScreensaver = u"org/gnome/desktop/screensaver"_s;

} // namespace

// The running copy as it runs in a GNOME session: real GSettings (keyfile backend, GNOME's own
// schemas), a UPower stand-in on the system bus, the real store and the window's popups.
class TestResident : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
        // Before anything asks for the system bus: the process keeps its first connection.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.address().toUtf8());
        QVERIFY2(
            m_bus.startMock(m_upower, { u"--template"_s, u"upower"_s, u"-p"_s, u"{\"OnBattery\": false}"_s }, kUPower),
            qPrintable(m_bus.errorText()));

        QVERIFY(compileGnomeSchemas(m_env, u"schemas"_s));
        useGnomeSchemas(m_env, u"schemas"_s);
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        m_battery.status = { 0, SystemPowerStatus::FlagLow, 30, 1800 };
    }

    void followsMainsAndBatteryKeepingWhatTheUserChanged()
    {
        QVERIFY(writeSetting(SettingKey::NotifyBatteryChanges, u"TRUE"_s));
        SchemeStore store(sharedStrings().schemeStoreFile);
        FakeTaskService tasks;
        FakeNetworkList networks;
        FakeCapabilityReader capabilities;
        FakeShellOpener opener;
        DesktopNotifications notifications;
        ResidentServices resident(store);
        MainWindow frame(
            Services { store, tasks, networks, m_battery, capabilities }, DesktopServices { opener, notifications });
        frame.follow(resident.follower(), resident.events(), resident.networkSwitch());
        QSignalSpy applied(&resident.follower(), &PlanFollower::applied);

        // At start, on mains: Balanced blanks after 10 minutes and locks on wake.
        resident.follower().start();
        QVERIFY(applied.wait());
        QCOMPARE(resident.follower().lastStatus()->appliers.first(), u"GNOME"_s);
        QTRY_COMPARE(keyfileValue(kSession, u"idle-delay"_s), u"600"_s);
        QCOMPARE(keyfileValue(kScreensaver, u"lock-enabled"_s), u"true"_s);

        // The user turns the lock off in GNOME's Settings; unplugging brings the battery values and
        // the popup, and leaves the user's choice alone.
        QVERIFY(GSettingsKey(u"org.gnome.desktop.screensaver"_s, u"lock-enabled"_s).write(false).ok());
        setOnBattery(true);
        QTRY_COMPARE(applied.size(), 2);
        const ApplyStatus onBattery = resident.follower().lastStatus().value();
        QCOMPARE(onBattery.source, PowerSource::Dc);
        QTRY_COMPARE(keyfileValue(kSession, u"idle-delay"_s), u"300"_s);
        QCOMPARE(keyfileValue(kScreensaver, u"lock-enabled"_s), u"false"_s);
        QCOMPARE(onBattery.reportFor(Setting::LockOnWake)->outcome, Outcome::ChangedOutsideAmpora);
        QCOMPARE(onBattery.reportFor(Setting::DisplayOff)->outcome, Outcome::Applied);
        QCOMPARE(batteryPopupsShown(), 1);

        // Choosing a plan is the user's own word: it writes every key again.
        const auto plans = defaultPlans();
        QVERIFY(store.setActiveScheme(std::find_if(plans.begin(), plans.end(), [](const DefaultPlan &p) {
            return p.name == u"Power saver";
        })->guid));
        QTRY_COMPARE(applied.size(), 3);
        QTRY_COMPARE(keyfileValue(kSession, u"idle-delay"_s), u"120"_s);
        QCOMPARE(keyfileValue(kScreensaver, u"lock-enabled"_s), u"true"_s);

        // Without the option, plugging in again shows no popup.
        QVERIFY(writeSetting(SettingKey::NotifyBatteryChanges, u"FALSE"_s));
        setOnBattery(false);
        QTRY_COMPARE(applied.size(), 4);
        QCOMPARE(resident.follower().lastStatus()->source, PowerSource::Ac);
        QTRY_COMPARE(keyfileValue(kSession, u"idle-delay"_s), u"300"_s);
        QVERIFY(batteryPopupsShown() <= 1);
    }

private:
    void setOnBattery(bool onBattery)
    {
        QVERIFY(setBusProperty(
            QDBusConnection::systemBus(), kUPower, u"/org/freedesktop/UPower"_s, kUPower, u"OnBattery"_s, onBattery));
    }

    int batteryPopupsShown() const
    {
        const QString title = BatteryPopup::forStatus(m_battery.status).title;
        const QList<NotificationStrip *> &popups = NotificationStack::instance().popups();
        return static_cast<int>(std::count_if(
            popups.cbegin(), popups.cend(), [&](const NotificationStrip *p) { return p->title() == title; }));
    }

    TestEnvironment m_env;
    PrivateBus m_bus;
    BusService m_upower;
    FakeBatteryStatusReader m_battery;
};

QTEST_MAIN(TestResident)
#include "TestResident.moc"
