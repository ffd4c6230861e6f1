// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppliedLedger.h"
#include "GnomeSettingsFixture.h"
#include "LogindBrightnessApplier.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

using Outcomes::outcomeName;

using namespace Qt::StringLiterals;

namespace {

const QString kLogind = u"org.freedesktop.login1"_s;
const QString kMock = u"org.freedesktop.DBus.Mock"_s;

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

    void setsLevelOnPreferredBacklight();
    void refusalOrMissingPiecesAreReported();

private:
    void addSession(const QString &id, const QString &setBrightnessCode);
    void addBacklight(const QString &name, const QByteArray &type, const QByteArray &maxBrightness);
    QString sysfsRoot() const { return m_env.path(u"sys"_s); }

    TestEnvironment m_env;
    PrivateBus m_bus;
    QDBusConnection m_connection { QString() };
    BusService m_logind;
    AppliedLedger m_ledger { m_env.path(u"applied.ini"_s) };
};

void TestLogindBrightness::initTestCase()
{
    QVERIFY2(m_bus.isRunning(), qPrintable(m_bus.errorText()));
    m_connection = QDBusConnection::connectToBus(m_bus.address(), u"brightness"_s);
    QVERIFY(m_connection.isConnected());
    QVERIFY2(m_bus.startMock(m_logind, { u"--template"_s, u"logind"_s }, kLogind), qPrintable(m_bus.errorText()));

    // A raw register sorts first by name; the platform interface must still win.
    addBacklight(u"amdgpu_bl0"_s, "raw", "255");
    addBacklight(u"thinkpad_screen"_s, "platform", "15");
    addSession(u"c1"_s, QString::fromUtf8(kWriteLevel).arg(sysfsRoot()));
}

void TestLogindBrightness::addSession(const QString &id, const QString &setBrightnessCode)
{
    QCOMPARE(busCall(m_connection, kLogind, u"/org/freedesktop/login1"_s, kMock, u"AddSession"_s,
                 { id, u"seat0"_s, quint32(1000), u"user"_s, true })
                 .type(),
        QDBusMessage::ReplyMessage);
    // The template's sessions have no SetBrightness.
    QCOMPARE(busCall(m_connection, kLogind, u"/org/freedesktop/login1/session/"_s + id, kMock, u"AddMethod"_s,
                 { u"org.freedesktop.login1.Session"_s, u"SetBrightness"_s, u"ssu"_s, QString(), setBrightnessCode })
                 .type(),
        QDBusMessage::ReplyMessage);
}

void TestLogindBrightness::addBacklight(const QString &name, const QByteArray &type, const QByteArray &maxBrightness)
{
    const QString folder = u"sys/class/backlight/"_s + name;
    m_env.writeFile(folder + u"/type"_s, type + '\n');
    m_env.writeFile(folder + u"/max_brightness"_s, maxBrightness + '\n');
    m_env.writeFile(folder + u"/brightness"_s, maxBrightness + '\n');
}

void TestLogindBrightness::setsLevelOnPreferredBacklight()
{
    qputenv("XDG_SESSION_ID", "c1");
    LogindBrightnessApplier applier(m_ledger, m_connection, sysfsRoot());

    ApplyRequest request;
    request.values.setValue(Setting::Brightness, PowerSource::Ac, 50);
    request.values.setValue(Setting::Brightness, PowerSource::Dc, 0);
    const QString level = m_env.path(u"sys/class/backlight/thinkpad_screen/brightness"_s);
    // "outcome level" after applying on source for reason.
    const auto apply = [&](PowerSource source, ApplyReason reason) -> QString {
        request.source = source;
        request.reason = reason;
        const QList<SettingReport> reports = applier.apply(request, { Setting::Brightness });
        return outcomeName(reports.value(0).outcome) + u' ' + QString::fromUtf8(TestEnvironment::readFile(level));
    };
    QCOMPARE(apply(PowerSource::Ac, ApplyReason::Activation), u"applied 7"_s);
    QCOMPARE(apply(PowerSource::Dc, ApplyReason::Activation), u"applied 1"_s);
    QCOMPARE(
        TestEnvironment::readFile(m_env.path(u"sys/class/backlight/amdgpu_bl0/brightness"_s)), QByteArray("255\n"));

    // A wake or a change of source keeps a level the user chose since; choosing a plan does not.
    m_env.writeFile(u"sys/class/backlight/thinkpad_screen/brightness"_s, "12\n");
    request.reason = ApplyReason::Follow;
    QCOMPARE(reportText(applier.apply(request, { Setting::Brightness }), Setting::Brightness),
        u"changed-outside-ampora: the user chose 80%"_s);
    QCOMPARE(TestEnvironment::readFile(level), QByteArray("12\n"));
    QCOMPARE(apply(PowerSource::Dc, ApplyReason::Activation), u"applied 1"_s);
    QCOMPARE(apply(PowerSource::Ac, ApplyReason::Follow), u"applied 7"_s);

    QCOMPARE(reportText(applier.apply(ApplyRequest {}, { Setting::Brightness }), Setting::Brightness),
        u"failed: the plan has no value for it"_s);
}

void TestLogindBrightness::refusalOrMissingPiecesAreReported()
{
    addSession(u"c2"_s,
        QStringLiteral(R"(raise dbus.exceptions.DBusException("Only owner of session may change brightness.", )"
                       R"(name="org.freedesktop.DBus.Error.AccessDenied"))"));
    qputenv("XDG_SESSION_ID", "c2");
    LogindBrightnessApplier applier(m_ledger, m_connection, sysfsRoot());
    ApplyRequest request;
    request.values.setValue(Setting::Brightness, PowerSource::Ac, 80);
    QCOMPARE(reportText(applier.apply(request, { Setting::Brightness }), Setting::Brightness),
        u"needs-administrator: logind lets only the session's owner set the brightness"_s);

    // No backlight, no bus or no session: nothing is handled.
    qputenv("XDG_SESSION_ID", "c1");
    QVERIFY(LogindBrightnessApplier(m_ledger, m_connection, m_env.path(u"empty"_s)).handles().isEmpty());
    QVERIFY(LogindBrightnessApplier(m_ledger, QDBusConnection(u"never-connected"_s), sysfsRoot()).handles().isEmpty());
    qputenv("XDG_SESSION_ID", "no-such-session");
    QVERIFY(LogindBrightnessApplier(m_ledger, m_connection, sysfsRoot()).handles().isEmpty());
}

QTEST_GUILESS_MAIN(TestLogindBrightness)
#include "TestLogindBrightness.moc"
