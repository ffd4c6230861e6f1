#include "LogindBrightnessApplier.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");

// What logind itself does with a valid request: writes the level into the device's brightness.
const char kWriteLevel[] = R"(if args[0] != "backlight":
    raise dbus.exceptions.DBusException("bad subsystem", name="org.freedesktop.DBus.Error.NotSupported")
with open("%1/class/backlight/" + args[1] + "/brightness", "w") as f:
    f.write(str(args[2])))";

} // namespace

class TestLogindBrightness : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void setsLevelOnPreferredBacklight();
    void reportsWhyLogindRefused();
    void handlesNothingWithoutBacklightOrSession();

private:
    void addSession(const QString &id, const QString &setBrightnessCode);
    void addBacklight(const QString &name, const QByteArray &type, const QByteArray &maxBrightness);
    QString sysfsRoot() const { return m_env.path(QStringLiteral("sys")); }

    TestEnvironment m_env;
    PrivateBus m_bus;
    QDBusConnection m_connection { QString() };
    QProcess m_logind;
};

void TestLogindBrightness::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    m_connection = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("brightness"));
    QVERIFY(m_connection.isConnected());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_bus.address());
    m_logind.setProcessEnvironment(environment);
    m_logind.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"), QStringLiteral("--template"),
            QStringLiteral("logind") });
    QTRY_VERIFY_WITH_TIMEOUT(m_connection.interface()->isServiceRegistered(kLogind), 15000);

    // A raw register sorts first by name; the platform interface must still win.
    addBacklight(QStringLiteral("amdgpu_bl0"), "raw", "255");
    addBacklight(QStringLiteral("thinkpad_screen"), "platform", "15");
    addSession(QStringLiteral("c1"), QString::fromUtf8(kWriteLevel).arg(sysfsRoot()));
}

void TestLogindBrightness::cleanupTestCase()
{
    m_logind.terminate();
    m_logind.waitForFinished();
}

void TestLogindBrightness::addSession(const QString &id, const QString &setBrightnessCode)
{
    QDBusMessage add = QDBusMessage::createMethodCall(
        kLogind, QStringLiteral("/org/freedesktop/login1"), kMock, QStringLiteral("AddSession"));
    add << id << QStringLiteral("seat0") << quint32(1000) << QStringLiteral("user") << true;
    QCOMPARE(m_connection.call(add).type(), QDBusMessage::ReplyMessage);
    // The template's sessions have no SetBrightness.
    QDBusMessage method = QDBusMessage::createMethodCall(
        kLogind, QStringLiteral("/org/freedesktop/login1/session/") + id, kMock, QStringLiteral("AddMethod"));
    method << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("SetBrightness")
           << QStringLiteral("ssu") << QString() << setBrightnessCode;
    QCOMPARE(m_connection.call(method).type(), QDBusMessage::ReplyMessage);
}

void TestLogindBrightness::addBacklight(const QString &name, const QByteArray &type, const QByteArray &maxBrightness)
{
    const QString folder = QStringLiteral("sys/class/backlight/") + name;
    m_env.writeFile(folder + QStringLiteral("/type"), type + '\n');
    m_env.writeFile(folder + QStringLiteral("/max_brightness"), maxBrightness + '\n');
    m_env.writeFile(folder + QStringLiteral("/brightness"), maxBrightness + '\n');
}

void TestLogindBrightness::setsLevelOnPreferredBacklight()
{
    qputenv("XDG_SESSION_ID", "c1");
    LogindBrightnessApplier applier(m_connection, sysfsRoot());
    QCOMPARE(applier.handles(), QList<Setting> { Setting::Brightness });

    ApplyRequest request;
    request.values.setValue(Setting::Brightness, PowerSource::Ac, 50);
    request.values.setValue(Setting::Brightness, PowerSource::Dc, 0);
    const QString level = m_env.path(QStringLiteral("sys/class/backlight/thinkpad_screen/brightness"));
    for (const auto &[source, expected] : { std::pair { PowerSource::Ac, "7" }, std::pair { PowerSource::Dc, "1" } }) {
        request.source = source;
        const QList<SettingReport> reports = applier.apply(request, { Setting::Brightness });
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.first().outcome, Outcome::Applied);
        QCOMPARE(TestEnvironment::readFile(level), QByteArray(expected));
    }
    QCOMPARE(TestEnvironment::readFile(m_env.path(QStringLiteral("sys/class/backlight/amdgpu_bl0/brightness"))),
        QByteArray("255\n"));

    const SettingReport missing = applier.apply(ApplyRequest {}, { Setting::Brightness }).value(0);
    QCOMPARE(missing.outcome, Outcome::Failed);
    QCOMPARE(missing.detail, QStringLiteral("the plan has no value for it"));
}

void TestLogindBrightness::reportsWhyLogindRefused()
{
    addSession(QStringLiteral("c2"),
        QStringLiteral(R"(raise dbus.exceptions.DBusException("Only owner of session may change brightness.", )"
                       R"(name="org.freedesktop.DBus.Error.AccessDenied"))"));
    qputenv("XDG_SESSION_ID", "c2");
    LogindBrightnessApplier applier(m_connection, sysfsRoot());
    ApplyRequest request;
    request.values.setValue(Setting::Brightness, PowerSource::Ac, 80);
    const SettingReport report = applier.apply(request, { Setting::Brightness }).value(0);
    QCOMPARE(report.outcome, Outcome::NeedsAdministrator);
    QCOMPARE(report.detail, QStringLiteral("logind lets only the session's owner set the brightness"));
}

void TestLogindBrightness::handlesNothingWithoutBacklightOrSession()
{
    qputenv("XDG_SESSION_ID", "c1");
    QVERIFY(LogindBrightnessApplier(m_connection, m_env.path(QStringLiteral("empty"))).handles().isEmpty());
    QVERIFY(
        LogindBrightnessApplier(QDBusConnection(QStringLiteral("never-connected")), sysfsRoot()).handles().isEmpty());
    qputenv("XDG_SESSION_ID", "no-such-session");
    QVERIFY(LogindBrightnessApplier(m_connection, sysfsRoot()).handles().isEmpty());
}

QTEST_GUILESS_MAIN(TestLogindBrightness)
#include "TestLogindBrightness.moc"
