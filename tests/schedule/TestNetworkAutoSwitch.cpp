// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNetworkManager.h"
#include "FakePowerPlatform.h"
#include "NetworkAutoSwitch.h"
#include "NetworkManagerWatch.h"
#include "NetworkScheduleFile.h"
#include "PrivateBus.h"
#include "Profile.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <algorithm>

using Profile::writeSetting;

using namespace Qt::StringLiterals;

namespace {

using Saved = FakeNetworkManager::Saved;

const QString kService = u"org.freedesktop.NetworkManager"_s;
const QString kRoot = u"/org/freedesktop/NetworkManager"_s;
const QString kWatchBus = u"network-watch"_s;

QString networkUuid(int n)
{
    return u"6c1e2f3a-4b5c-4d6e-8f70-%1"_s.arg(n, 12, 10, QChar(u'0'));
}

// Saved connections; the schedules below refer to them by number.
const QString kHome = networkUuid(1); // -> saver
const QString kOffice = networkUuid(2); // -> high performance, already connected at start
const QString kHotel = networkUuid(3); // -> high performance, schedule disabled
const QString kLibrary = networkUuid(4); // -> a plan that is gone
const QString kCafe = networkUuid(5); // no schedule

} // namespace

class TestNetworkAutoSwitch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateBus>();
        QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorText()));
        m_serviceThread.start();
    }

    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_platform = std::make_unique<FakePowerPlatform>();
        m_balanced = m_platform->addScheme(u"Balanced"_s);
        m_saver = m_platform->addScheme(u"Power saver"_s);
        m_high = m_platform->addScheme(u"High performance"_s);
        const auto schedule = [](const QString &network, const QUuid &plan, bool enabled = true) {
            return NetworkSchedule { {}, u"network"_s, plan, QUuid::fromString(network), enabled };
        };
        QVERIFY(writeNetworkSchedules({ schedule(kHome, m_saver), schedule(kOffice, m_high),
            schedule(kHotel, m_high, false), schedule(kLibrary, QUuid::createUuid()) }));
    }

    void cleanup()
    {
        if (m_fake) {
            QDBusConnection connection(m_serviceConnection);
            connection.unregisterService(kService);
            connection.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
            QDBusConnection::disconnectFromBus(m_serviceConnection);
            m_fake->deleteLater();
            m_fake = nullptr;
        }
        QDBusConnection::disconnectFromBus(kWatchBus);
        m_platform.reset();
        m_env.reset();
    }

    void cleanupTestCase()
    {
        m_serviceThread.quit();
        m_serviceThread.wait();
        m_bus.reset();
    }

    void connectingSwitchesToTheNetworksPlan()
    {
        QVERIFY(writeSetting(SettingKey::AutoManage, u"TRUE"_s));
        startService();
        NetworkManagerWatch watch(QDBusConnection::connectToBus(m_bus->address(), kWatchBus));
        NetworkAutoSwitch autoSwitch(watch, *m_platform);
        QSignalSpy connected(&watch, &NetworkWatch::networkConnected);
        QSignalSpy switched(&autoSwitch, &NetworkAutoSwitch::planSwitched);

        // No schedule, a disabled one and one whose plan is gone: each connects, nothing switches.
        for (const QString &uuid : { kCafe, kHotel, kLibrary, kHome })
            activate(uuid);
        QVERIFY(switched.wait());
        QCOMPARE(switched.takeFirst().constFirst().toUuid(), m_saver);
        QCOMPARE(m_platform->activeScheme().value(), m_saver);
        QCOMPARE(m_platform->setActiveCalls(), 1);

        // Home again with its plan still active switches nothing; Office, connected anew, does.
        activate(kHome);
        activate(kOffice);
        QVERIFY(switched.wait());
        QCOMPARE(switched.takeFirst().constFirst().toUuid(), m_high);
        QCOMPARE(m_platform->setActiveCalls(), 2);

        // Each connection once; Office's connection from before the watch started is not one.
        QList<QUuid> expected;
        for (const QString &uuid : { kCafe, kHotel, kLibrary, kHome, kHome, kOffice })
            expected.append(QUuid::fromString(uuid));
        std::sort(expected.begin(), expected.end());
        const auto announced = [&connected] {
            QList<QUuid> networks;
            for (const QList<QVariant> &signal : std::as_const(connected))
                networks.append(signal.constFirst().toUuid());
            std::sort(networks.begin(), networks.end());
            return networks;
        };
        QTRY_COMPARE(announced(), expected);
    }

    void nothingSwitchesWhenNotManaged()
    {
        QVERIFY(writeSetting(SettingKey::AutoManage, u"FALSE"_s));
        // Started before NetworkManager, as early in a session: no error, and it follows
        // NetworkManager once that appears.
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        NetworkManagerWatch watch(QDBusConnection::connectToBus(m_bus->address(), kWatchBus));
        NetworkAutoSwitch autoSwitch(watch, *m_platform);
        QSignalSpy connected(&watch, &NetworkWatch::networkConnected);
        startService();
        activate(kHome);
        QTRY_VERIFY(connected.contains(QVariantList { QUuid::fromString(kHome) }));
        QCOMPARE(m_platform->setActiveCalls(), 0);
        QCOMPARE(m_platform->activeScheme().value(), m_balanced);
    }

private:
    // Office is already connected when the service starts.
    void startService()
    {
        m_serviceConnection = u"fake-networkmanager-"_s + QString::number(++m_serviceCount);
        QDBusConnection connection = QDBusConnection::connectToBus(m_bus->address(), m_serviceConnection);
        QVERIFY(connection.isConnected());
        const QString wifi = u"802-11-wireless"_s;
        m_fake = new FakeNetworkManager(
            { { u"Home"_s, kHome, wifi }, { u"Office"_s, kOffice, wifi }, { u"Hotel"_s, kHotel, wifi },
                { u"Library"_s, kLibrary, wifi }, { u"Cafe"_s, kCafe, wifi } },
            { { kOffice } });
        QVERIFY(connection.registerVirtualObject(kRoot, m_fake, QDBusConnection::SubPath));
        m_fake->moveToThread(&m_serviceThread);
        QVERIFY(connection.registerService(kService));
    }

    void activate(const QString &uuid);

    std::unique_ptr<PrivateBus> m_bus;
    QThread m_serviceThread; // the fake answers from here while the watch's first read waits
    FakeNetworkManager *m_fake = nullptr;
    QString m_serviceConnection;
    int m_serviceCount = 0;
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    QUuid m_balanced;
    QUuid m_saver;
    QUuid m_high;
};

void TestNetworkAutoSwitch::activate(const QString &uuid)
{
    const QDBusConnection connection(m_serviceConnection);
    QVERIFY(QMetaObject::invokeMethod(
        m_fake, [&] { m_fake->activate(connection, uuid); }, Qt::BlockingQueuedConnection));
}

QTEST_GUILESS_MAIN(TestNetworkAutoSwitch)
#include "TestNetworkAutoSwitch.moc"
