// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNetworkManager.h"
#include "Guid.h"
#include "NetworkManagerList.h"
#include "PlatformServices.h"
#include "PrivateBus.h"

#include <QDBusConnection>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

using Guid::guidToText;

namespace {

using Saved = FakeNetworkManager::Saved;
using Active = FakeNetworkManager::Active;

const QString kService = u"org.freedesktop.NetworkManager"_s;
const QString kRoot = u"/org/freedesktop/NetworkManager"_s;
const QString kHome = u"5fbd4a1a-91c3-4e5e-8c6e-1f0a2b3c4d01"_s;
const QString kOffice = u"5fbd4a1a-91c3-4e5e-8c6e-1f0a2b3c4d02"_s;
const QString kLoopback = u"5fbd4a1a-91c3-4e5e-8c6e-1f0a2b3c4d03"_s;
const QString kHidden = u"5fbd4a1a-91c3-4e5e-8c6e-1f0a2b3c4d04"_s;
constexpr uint kActivating = 1;

// "name|GUID|connected" per network, so a whole list compares in one go.
QString row(const QString &name, const QString &uuid, bool connected)
{
    return name + u'|' + guidToText(QUuid::fromString(uuid)) + u'|' + (connected ? u"connected" : u"-");
}

QStringList describe(const QList<NetworkList::Network> &networks)
{
    QStringList rows;
    for (const NetworkList::Network &n : networks)
        rows.append(row(n.name, n.guid.toString(), n.connected));
    return rows;
}

} // namespace

class TestNetworkManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void listsSavedConnectionsAsNetworks_data();
    void listsSavedConnectionsAsNetworks();
    void failuresGiveEmptyList();

private:
    void startService(const QList<Saved> &saved, const QList<Active> &active, const QString &silentOn = {});
    void stopService();

    std::unique_ptr<PrivateBus> m_bus;
    QThread m_serviceThread; // the fake answers from here while the test thread waits for replies
    FakeNetworkManager *m_fake = nullptr;
    int m_serviceCount = 0;
    QString m_serviceConnection;
};

void TestNetworkManager::initTestCase()
{
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorText()));
    // Must be set before the first use of the system bus connection.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus->address().toUtf8());
    QVERIFY(QDBusConnection::systemBus().isConnected());
    m_serviceThread.start();
}

void TestNetworkManager::cleanup()
{
    stopService();
}

void TestNetworkManager::cleanupTestCase()
{
    m_serviceThread.quit();
    m_serviceThread.wait();
    m_bus.reset();
}

void TestNetworkManager::startService(const QList<Saved> &saved, const QList<Active> &active, const QString &silentOn)
{
    m_serviceConnection = u"fake-networkmanager-"_s + QString::number(++m_serviceCount);
    QDBusConnection connection = QDBusConnection::connectToBus(m_bus->address(), m_serviceConnection);
    QVERIFY(connection.isConnected());
    m_fake = new FakeNetworkManager(saved, active);
    m_fake->setSilentOn(silentOn);
    // Register before the move: registration gives the fake helper children, which must be
    // created in its current thread; the move then takes them along.
    QVERIFY(connection.registerVirtualObject(kRoot, m_fake, QDBusConnection::SubPath));
    m_fake->moveToThread(&m_serviceThread);
    QVERIFY(connection.registerService(kService));
}

void TestNetworkManager::stopService()
{
    if (!m_fake)
        return;
    QDBusConnection connection(m_serviceConnection);
    connection.unregisterService(kService);
    connection.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(m_serviceConnection);
    m_fake->deleteLater();
    m_fake = nullptr;
}

void TestNetworkManager::listsSavedConnectionsAsNetworks_data()
{
    QTest::addColumn<QList<Saved>>("saved");
    QTest::addColumn<QList<Active>>("active");
    QTest::addColumn<QStringList>("expected");

    const Saved home { u"Home Wi-Fi"_s, kHome, u"802-11-wireless"_s };
    // Names come through untouched.
    const QString hostile = u"  Café\n[Ampora]\nampctl_SchdEnabled0=Enabled "_s;
    const Saved office { hostile, kOffice, u"802-3-ethernet"_s };
    QTest::newRow("two saved, one active, in NetworkManager's order")
        << QList<Saved> { office, home } << QList<Active> { { kHome } }
        << QStringList { row(hostile, kOffice, false), row(u"Home Wi-Fi"_s, kHome, true) };
    QTest::newRow("a connection still activating is not connected")
        << QList<Saved> { home, office } << QList<Active> { { kHome, kActivating }, { kOffice.toUpper() } }
        << QStringList { row(u"Home Wi-Fi"_s, kHome, false), row(hostile, kOffice, true) };
    QTest::newRow("loopback, unreadable and unidentifiable connections are left out")
        << QList<Saved> { { u"lo"_s, kLoopback, u"loopback"_s }, { u"Hidden"_s, kHidden, u"vpn"_s, false },
               { u"No uuid"_s, u"not-a-uuid"_s, u"802-3-ethernet"_s }, home }
        << QList<Active> { { kLoopback }, { kHome } } << QStringList { row(u"Home Wi-Fi"_s, kHome, true) };
}

void TestNetworkManager::listsSavedConnectionsAsNetworks()
{
    QFETCH(QList<Saved>, saved);
    QFETCH(QList<Active>, active);
    QFETCH(QStringList, expected);
    startService(saved, active);
    QCOMPARE(describe(NetworkManagerList().networks()), expected);
}

// No bus, no NetworkManager, one that does not answer (at all, or for properties) and a bus that
// goes away all give an empty list.
void TestNetworkManager::failuresGiveEmptyList()
{
    const QString missing = u"unix:path=/nonexistent/ampora-test-bus"_s;
    QVERIFY(NetworkManagerList(QDBusConnection::connectToBus(missing, u"missing-bus"_s)).networks().isEmpty());
    QDBusConnection::disconnectFromBus(u"missing-bus"_s);
    QVERIFY(NetworkManagerList().networks().isEmpty());

    const QList<Saved> saved { { u"Home Wi-Fi"_s, kHome, u"802-11-wireless"_s } };
    for (const QString &silentOn : { u"*"_s, u"Get"_s }) {
        startService(saved, { { kHome } }, silentOn);
        QVERIFY2(NetworkManagerList(QDBusConnection::systemBus(), std::chrono::milliseconds(300)).networks().isEmpty(),
            qPrintable(silentOn));
        stopService();
    }

    startService(saved, {});
    const NetworkManagerList list;
    QCOMPARE(list.networks().size(), 1);
    m_bus->stop();
    QTRY_VERIFY(!QDBusConnection::systemBus().isConnected());
    QVERIFY(list.networks().isEmpty());
}

QTEST_GUILESS_MAIN(TestNetworkManager)
#include "TestNetworkManager.moc"
