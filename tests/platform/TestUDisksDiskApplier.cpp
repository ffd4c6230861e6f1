// The disks' spin-down time through UDisks: a python3-dbusmock stand-in for UDisks' drives on a
// private system bus, the applier in the test's process and ampctl apply --disk as a program.
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "UDisksDiskApplier.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using DiskReports::driveReportText;

using namespace Qt::StringLiterals;

namespace {

const QString kUDisks = u"org.freedesktop.UDisks2"_s;

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class TestUDisksDiskApplier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void nearestCodeForEachTime();
    void setsDrivesThatSpinDownOnly();
    void ampctlSetsDisksOnlyWhenAsked();
    void refusalAndMissingUDisksAreReported();

private:
    QString addDrive(const QString &id, bool pmSupported, bool refuse = false);
    QVariantMap configuration(const QString &drive);
    int callCount(const QString &drive);
    Run ampctl(const QStringList &arguments);
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
    QDBusMessage add = QDBusMessage::createMethodCall(
        kUDisks, u"/org/freedesktop/UDisks2"_s, u"org.freedesktop.DBus.Mock"_s, u"AddDrive"_s);
    add << id << id.section(u'-', 0, 1).replace(u'-', u' ') << pmSupported << refuse;
    const QDBusMessage reply = m_connection.call(add);
    if (reply.type() != QDBusMessage::ReplyMessage)
        qWarning("AddDrive: %s", qPrintable(reply.errorMessage()));
    return reply.arguments().value(0).toString();
}

QVariantMap TestUDisksDiskApplier::configuration(const QString &drive)
{
    QDBusMessage get = QDBusMessage::createMethodCall(kUDisks, drive, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << u"org.freedesktop.UDisks2.Drive"_s << u"Configuration"_s;
    const QVariant value = m_connection.call(get).arguments().value(0).value<QDBusVariant>().variant();
    return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
}

int TestUDisksDiskApplier::callCount(const QString &drive)
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(kUDisks, drive, u"org.freedesktop.DBus.Mock"_s, u"GetMethodCalls"_s);
    get << u"SetConfiguration"_s;
    const QDBusArgument calls = m_connection.call(get).arguments().value(0).value<QDBusArgument>();
    int count = 0;
    calls.beginArray();
    while (!calls.atEnd()) {
        (void)calls.asVariant();
        ++count;
    }
    calls.endArray();
    return count;
}

Run TestUDisksDiskApplier::ampctl(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, m_bus.address());
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/ampora-test-bus"_s);
    environment.insert(u"AMPORA_SYSFS_ROOT"_s, TestEnvironment::sourceFile(u"platform/data/sysfs/caps-laptop"_s));
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/ampctl"_s, arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

ApplyRequest TestUDisksDiskApplier::request(quint32 acSeconds, quint32 dcSeconds, PowerSource source)
{
    ApplyRequest request;
    request.values.setValue(Setting::DiskOff, PowerSource::Ac, acSeconds);
    request.values.setValue(Setting::DiskOff, PowerSource::Dc, dcSeconds);
    request.source = source;
    return request;
}

void TestUDisksDiskApplier::nearestCodeForEachTime()
{
    // Seconds, the code, whether it is exact: 5 s steps to 20 min, 30 min steps to 5 h 30 min.
    const std::tuple<quint32, int, bool> cases[] = { { 0, 0, true }, { 2, 1, false }, { 60, 12, true },
        { 1200, 240, true }, { 1260, 240, false }, { 1500, 240, false }, { 1560, 241, false }, { 1800, 241, true },
        { 3000, 242, false }, { 19800, 251, true }, { 86400, 251, false } };
    for (const auto &[seconds, code, exact] : cases) {
        const StandbyCode standby = StandbyCode::forSeconds(seconds);
        QCOMPARE(std::pair(int(standby.code), standby.exact), std::pair(code, exact));
    }
}

void TestUDisksDiskApplier::setsDrivesThatSpinDownOnly()
{
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

    const SettingReport battery = applier.apply(request(600, 1500, PowerSource::Dc), { Setting::DiskOff }).value(0);
    QCOMPARE(battery.outcome, Outcome::Approximated);
    QCOMPARE(battery.detail, u"set to 20 min, the nearest time the disks take (5 s steps up to 20 min, then 30 min)"_s);
    QCOMPARE(configuration(m_disk).value(u"ata-pm-standby"_s).toInt(), 240);
    QCOMPARE(applier.apply(ApplyRequest {}, { Setting::DiskOff }).value(0).outcome, Outcome::Failed);
}

void TestUDisksDiskApplier::ampctlSetsDisksOnlyWhenAsked()
{
    const int calls = callCount(m_disk);
    // Switching plans and applying them again never asks for a password: the row says how to.
    QCOMPARE(
        ampctl({ u"set-value"_s, u"Balanced"_s, u"disk-off"_s, u"--ac"_s, u"1h"_s, u"--dc"_s, u"5h 10min"_s }).status,
        0);
    QCOMPARE(ampctl({ u"set"_s, u"Balanced"_s }).status, 0);
    QCOMPARE(ampctl({ u"apply"_s }).status, 0);
    QCOMPARE(callCount(m_disk), calls);
    const Run status = ampctl({ u"status"_s });
    QVERIFY2(status.out.contains(u"Needs an administrator  it asks for a password, so it is set only on request: "
                                 "the plan editor's Apply to disks button or ampctl apply --disk"_s),
        qPrintable(status.out));

    // Asked for: each drive that spins down gets the battery value, and status tells.
    const Run disk = ampctl({ u"apply"_s, u"--disk"_s });
    QCOMPARE(disk.status, 0);
    QCOMPARE(disk.err, QString());
    QCOMPARE(disk.out,
        u"ST2000DM008 ZFL2 (ST2000DM008-ZFL2): Approximated\nWDC WD10EZEX (WDC-WD10EZEX-WCC6Y1): Approximated\n"_s);
    QCOMPARE(configuration(m_disk).value(u"ata-pm-standby"_s).toInt(), 250);
    QVERIFY2(ampctl({ u"status"_s }).out.contains(QRegularExpression(u"disk-off +Approximated +set to 5 h"_s)),
        qPrintable(ampctl({ u"status"_s }).out));
}

void TestUDisksDiskApplier::refusalAndMissingUDisksAreReported()
{
    const QString guarded = addDrive(u"HGST-HTS721010-JR1"_s, true, true);
    UDisksDiskApplier applier(m_connection);
    const SettingReport refused = applier.apply(request(900, 900, PowerSource::Ac), { Setting::DiskOff }).value(0);
    QCOMPARE(refused.outcome, Outcome::NeedsAdministrator);
    QCOMPARE(refused.detail, u"HGST HTS721010 (HGST-HTS721010-JR1): the administrator's policy refused it"_s);
    QCOMPARE(callCount(guarded), 1);
    QCOMPARE(configuration(m_disk).value(u"ata-pm-standby"_s).toInt(), 180); // the others still took it

    const Run disk = ampctl({ u"apply"_s, u"--disk"_s });
    QCOMPARE(disk.status, 1);
    QVERIFY2(disk.out.contains(u"HGST HTS721010 (HGST-HTS721010-JR1): Needs an administrator (the administrator's "
                               "policy refused it)\n"_s),
        qPrintable(disk.out));
    QVERIFY2(
        disk.err.startsWith(u"ampctl: the disks' spin-down time was not set on every drive"_s), qPrintable(disk.err));

    // A bus where UDisks does not run answers at once, and no bus at all is said too.
    PrivateBus empty;
    QDBusConnection emptyBus = QDBusConnection::connectToBus(empty.address(), u"empty"_s);
    const SettingReport missing
        = UDisksDiskApplier(emptyBus).apply(request(900, 900, PowerSource::Ac), { Setting::DiskOff }).value(0);
    QCOMPARE(missing.outcome, Outcome::NotOnThisMachine);
    QCOMPARE(
        missing.detail, u"UDisks is not running on this machine (the udisks2 package sets the disks' spin-down)"_s);
    QCOMPARE(UDisksDiskApplier(QDBusConnection(u"never-connected"_s))
                 .apply(request(900, 900, PowerSource::Ac), { Setting::DiskOff })
                 .value(0)
                 .outcome,
        Outcome::NotOnThisMachine);
}

QTEST_GUILESS_MAIN(TestUDisksDiskApplier)
#include "TestUDisksDiskApplier.moc"
