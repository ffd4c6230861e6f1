// SPDX-License-Identifier: GPL-3.0-or-later
// The disks' spin-down time through UDisks: a python3-dbusmock stand-in for UDisks' drives on a
// private system bus, the applier in the test's process and ampctl apply --disk as a program.
#include "GnomeSettingsFixture.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "ToolRun.h"
#include "UDisksDiskApplier.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QRegularExpression>
#include <QTest>

using DiskReports::driveReportText;

using namespace Qt::StringLiterals;

namespace {

const QString kUDisks = u"org.freedesktop.UDisks2"_s;

} // namespace

class TestUDisksDiskApplier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void setsDrivesThatSpinDownOnlyToTheNearestTime();
    void ampctlSetsDisksOnlyWhenAsked();
    void refusalAndMissingUDisksAreReported();

private:
    QString addDrive(const QString &id, bool pmSupported, bool refuse = false);
    QVariantMap configuration(const QString &drive);
    int callCount(const QString &drive);
    ToolRun ampctl(const QStringList &arguments);
    static ApplyRequest request(quint32 acSeconds, quint32 dcSeconds, PowerSource source);

    TestEnvironment m_env;
    PrivateBus m_bus;
    QDBusConnection m_connection { QString() };
    BusService m_udisks;
    QString m_disk;
    QString m_secondDisk;
    QString m_solidState;
};

void TestUDisksDiskApplier::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    m_connection = QDBusConnection::connectToBus(m_bus.address(), u"udisks"_s);
    QVERIFY(m_connection.isConnected());
    QVERIFY2(m_bus.startMock(
                 m_udisks, { u"-t"_s, TestEnvironment::sourceFile(u"platform/data/udisks2_mock.py"_s) }, kUDisks),
        qPrintable(m_bus.errorText()));
    m_disk = addDrive(u"WDC-WD10EZEX-WCC6Y1"_s, true);
    m_secondDisk = addDrive(u"ST2000DM008-ZFL2"_s, true);
    m_solidState = addDrive(u"Samsung-SSD-870-S6P"_s, false);
}

QString TestUDisksDiskApplier::addDrive(const QString &id, bool pmSupported, bool refuse)
{
    return busCall(m_connection, kUDisks, u"/org/freedesktop/UDisks2"_s, u"org.freedesktop.DBus.Mock"_s, u"AddDrive"_s,
        { id, id.section(u'-', 0, 1).replace(u'-', u' '), pmSupported, refuse })
        .arguments()
        .value(0)
        .toString();
}

QVariantMap TestUDisksDiskApplier::configuration(const QString &drive)
{
    const QVariant value
        = busProperty(m_connection, kUDisks, drive, u"org.freedesktop.UDisks2.Drive"_s, u"Configuration"_s);
    return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
}

int TestUDisksDiskApplier::callCount(const QString &drive)
{
    return mockCallCount(m_connection, kUDisks, drive, u"SetConfiguration"_s);
}

ToolRun TestUDisksDiskApplier::ampctl(const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, m_bus.address());
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/ampora-test-bus"_s);
    environment.insert(u"AMPORA_SYSFS_ROOT"_s, TestEnvironment::sourceFile(u"platform/data/sysfs/caps-laptop"_s));
    return runTool(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s, arguments, environment);
}

ApplyRequest TestUDisksDiskApplier::request(quint32 acSeconds, quint32 dcSeconds, PowerSource source)
{
    ApplyRequest request;
    request.values.setValue(Setting::DiskOff, PowerSource::Ac, acSeconds);
    request.values.setValue(Setting::DiskOff, PowerSource::Dc, dcSeconds);
    request.source = source;
    return request;
}

void TestUDisksDiskApplier::setsDrivesThatSpinDownOnlyToTheNearestTime()
{
    // Seconds, the code, whether it is exact: 5 s steps to 20 min, 30 min steps to 5 h 30 min.
    const std::tuple<quint32, int, bool> cases[] = { { 0, 0, true }, { 2, 1, false }, { 60, 12, true },
        { 1200, 240, true }, { 1260, 240, false }, { 1500, 240, false }, { 1560, 241, false }, { 1800, 241, true },
        { 3000, 242, false }, { 19800, 251, true }, { 86400, 251, false } };
    for (const auto &[seconds, code, exact] : cases) {
        const StandbyCode standby = StandbyCode::forSeconds(seconds);
        QCOMPARE(std::pair(int(standby.code), standby.exact), std::pair(code, exact));
    }

    UDisksDiskApplier applier(m_connection);
    QCOMPARE(applier.apply(request(600, 1500, PowerSource::Ac), { Setting::DiskOff }),
        (QList<SettingReport> { { Setting::DiskOff, Outcome::Applied, {} } }));
    // Sent as an int32, as UDisks requires of "ata-pm-standby"; the solid-state disk is left alone.
    for (const QString &drive : { m_disk, m_secondDisk }) {
        const QVariantMap set = configuration(drive);
        QCOMPARE(set.value(u"ata-pm-standby"_s).metaType(), QMetaType::fromType<int>());
        QCOMPARE(set.value(u"ata-pm-standby"_s).toInt(), 120);
    }
    QCOMPARE(callCount(m_solidState), 0);
    QCOMPARE(applier.driveReports().size(), 2);
    QCOMPARE(driveReportText(applier.driveReports().constFirst()), u"ST2000DM008 ZFL2 (ST2000DM008-ZFL2): Applied"_s);

    QCOMPARE(reportText(applier.apply(request(600, 1500, PowerSource::Dc), { Setting::DiskOff }), Setting::DiskOff),
        u"approximated: set to 20 min, the nearest time the disks take (5 s steps up to 20 min, then 30 min)"_s);
    QCOMPARE(configuration(m_disk).value(u"ata-pm-standby"_s).toInt(), 240);
    QCOMPARE(applier.apply(ApplyRequest {}, { Setting::DiskOff }).value(0).outcome, Outcome::Failed);
}

void TestUDisksDiskApplier::ampctlSetsDisksOnlyWhenAsked()
{
    const int calls = callCount(m_disk);
    // Switching plans and applying them again never asks for a password: the row says how to.
    QCOMPARE(
        ampctl({ u"set-value"_s, u"Balanced"_s, u"disk-off"_s, u"--ac"_s, u"1h"_s, u"--dc"_s, u"5h 10min"_s }).exitCode,
        0);
    QCOMPARE(ampctl({ u"set"_s, u"Balanced"_s }).exitCode, 0);
    QCOMPARE(ampctl({ u"apply"_s }).exitCode, 0);
    QCOMPARE(callCount(m_disk), calls);
    const ToolRun status = ampctl({ u"status"_s });
    QVERIFY2(status.output.contains(u"Needs an administrator  it asks for a password, so it is set only on request: "
                                    "the plan editor's Apply to disks button or ampctl apply --disk"_s),
        qPrintable(status.output));

    // Asked for: each drive that spins down gets the battery value, and status tells.
    const ToolRun disk = ampctl({ u"apply"_s, u"--disk"_s });
    QCOMPARE(disk.exitCode, 0);
    QCOMPARE(disk.output,
        u"ST2000DM008 ZFL2 (ST2000DM008-ZFL2): Approximated\nWDC WD10EZEX (WDC-WD10EZEX-WCC6Y1): Approximated"_s);
    QCOMPARE(configuration(m_disk).value(u"ata-pm-standby"_s).toInt(), 250);
    const QString after = ampctl({ u"status"_s }).output;
    QVERIFY2(after.contains(QRegularExpression(u"disk-off +Approximated +set to 5 h"_s)), qPrintable(after));
}

void TestUDisksDiskApplier::refusalAndMissingUDisksAreReported()
{
    const QString guarded = addDrive(u"HGST-HTS721010-JR1"_s, true, true);
    UDisksDiskApplier applier(m_connection);
    QCOMPARE(reportText(applier.apply(request(900, 900, PowerSource::Ac), { Setting::DiskOff }), Setting::DiskOff),
        u"needs-administrator: HGST HTS721010 (HGST-HTS721010-JR1): the administrator's policy refused it"_s);
    QCOMPARE(callCount(guarded), 1);
    QCOMPARE(configuration(m_disk).value(u"ata-pm-standby"_s).toInt(), 180); // the others still took it

    const ToolRun disk = ampctl({ u"apply"_s, u"--disk"_s });
    QCOMPARE(disk.exitCode, 1);
    QVERIFY2(disk.output.contains(u"HGST HTS721010 (HGST-HTS721010-JR1): Needs an administrator (the administrator's "
                                  "policy refused it)"_s)
            && disk.output.contains(u"ampctl: the disks' spin-down time was not set on every drive"_s),
        qPrintable(disk.output));

    // A bus where UDisks does not run answers at once, and no bus at all is said too.
    PrivateBus empty;
    QDBusConnection emptyBus = QDBusConnection::connectToBus(empty.address(), u"empty"_s);
    QCOMPARE(reportText(UDisksDiskApplier(emptyBus).apply(request(900, 900, PowerSource::Ac), { Setting::DiskOff }),
                 Setting::DiskOff),
        u"not-on-this-machine: UDisks is not running on this machine (the udisks2 package sets the disks' spin-down)"_s);
    QCOMPARE(UDisksDiskApplier(QDBusConnection(u"never-connected"_s))
                 .apply(request(900, 900, PowerSource::Ac), { Setting::DiskOff })
                 .value(0)
                 .outcome,
        Outcome::NotOnThisMachine);
}

QTEST_GUILESS_MAIN(TestUDisksDiskApplier)
#include "TestUDisksDiskApplier.moc"
