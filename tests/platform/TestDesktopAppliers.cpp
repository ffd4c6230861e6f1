// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppliedLedger.h"
#include "ApplierFactory.h"
#include "GSettingsKey.h"
#include "GSettingsPowerApplier.h"
#include "GnomeSettingsFixture.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "ToolRun.h"
#include "XfceApplier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QTest>

using ApplierFactory::createApplyBackends;

using namespace Qt::StringLiterals;

namespace {

const QString kXfconfd = u"/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"_s;
const QList<Setting> kDesktopSettings { Setting::PowerButton, Setting::SleepButton, Setting::Lid, Setting::Dim,
    Setting::DisplayOff, Setting::SleepIdle, Setting::HibernateIdle, Setting::LockOnWake };

// What the real xfconfd holds, as xfconf-query (Xfce's own client) prints it: "1 1 ..." for the
// properties named, without their common prefix. With a type and value, sets them.
QString xfconf(const QProcessEnvironment &session, const QStringList &properties, const QString &type = {},
    const QString &value = {})
{
    QStringList values;
    for (const QString &property : properties) {
        QStringList arguments { u"-c"_s, u"xfce4-power-manager"_s, u"-p"_s, u"/xfce4-power-manager/"_s + property };
        if (!type.isEmpty())
            arguments << u"-n"_s << u"-t"_s << type << u"-s"_s << value;
        const ToolRun query = runTool(u"xfconf-query"_s, arguments, session);
        values.append(query.exitCode == 0 ? query.output : u"unset"_s);
    }
    return values.join(u' ');
}

const QStringList kXfceShown { u"power-button-action"_s, u"sleep-button-action"_s, u"lid-action-on-ac"_s,
    u"lid-action-on-battery"_s, u"brightness-on-ac"_s, u"brightness-on-battery"_s, u"dpms-on-ac-sleep"_s,
    u"dpms-on-ac-off"_s, u"dpms-on-battery-sleep"_s, u"dpms-on-battery-off"_s, u"inactivity-sleep-mode-on-ac"_s,
    u"inactivity-on-ac"_s, u"inactivity-sleep-mode-on-battery"_s, u"inactivity-on-battery"_s,
    u"lock-screen-suspend-hibernate"_s };

} // namespace

class TestDesktopAppliers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void chosenByTheSessionsDesktop();
    void xfceThroughItsOwnSettingsDaemon();
    void mateAndCinnamonKeepValuesPerSource_data();
    void mateAndCinnamonKeepValuesPerSource();

private:
    TestEnvironment m_environment;
    std::unique_ptr<AppliedLedger> m_ledger;
};

void TestDesktopAppliers::initTestCase()
{
    QVERIFY2(compileSchemas(m_environment, u"schemas"_s,
                 { u"org.mate.power-manager.gschema.xml"_s, u"org.cinnamon.settings-daemon.plugins.power.gschema.xml"_s,
                     u"org.cinnamon.settings-daemon.enums.xml"_s }),
        "MATE's and Cinnamon's schemas (mate-power-manager-common, cinnamon-settings-daemon) are needed");
    useGnomeSchemas(m_environment, u"schemas"_s);
    m_ledger = std::make_unique<AppliedLedger>(m_environment.path(u"applied.ini"_s));
}

void TestDesktopAppliers::chosenByTheSessionsDesktop()
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ampora-test-session-bus");
    for (const auto &[desktop, applier] : { std::pair { "XFCE", u"Xfce"_s }, std::pair { "MATE", u"MATE"_s },
             std::pair { "X-Cinnamon", u"Cinnamon"_s }, std::pair { "GNOME", u"GNOME"_s } }) {
        qputenv("XDG_CURRENT_DESKTOP", QByteArray("ubuntu:") + desktop);
        QCOMPARE(createApplyBackends().coordinator->applierNames().value(0), applier);
    }
    qputenv("XDG_CURRENT_DESKTOP", "");
}

// Xfce's power manager reads its xfconf channel in its own units and types: the values are read
// back with Xfce's own client from the real xfconfd.
void TestDesktopAppliers::xfceThroughItsOwnSettingsDaemon()
{
    if (!QFile::exists(kXfconfd))
        QSKIP("xfconfd is not installed (package xfconf)");
    PrivateBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorText()));
    QProcess daemon;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
    daemon.setProcessEnvironment(environment);
    daemon.start(kXfconfd, {});
    auto stop = qScopeGuard([&] {
        daemon.kill();
        daemon.waitForFinished();
    });
    QDBusConnection session = QDBusConnection::connectToBus(bus.address(), u"xfce"_s);
    QTRY_VERIFY(session.interface()->isServiceRegistered(u"org.xfce.Xfconf"_s));
    XfceApplier applier(*m_ledger, session);
    const auto apply = [&](const PlanValues &values, PowerSource source, ApplyReason reason) {
        return applier.apply({ values, source, reason }, kDesktopSettings);
    };

    // Dimming after a minute and sleeping after ten come as close as Xfce's dialog lets them.
    const PlanValues saver = seededPlanValues(u"Power saver");
    QList<SettingReport> reports = apply(saver, PowerSource::Ac, ApplyReason::Activation);
    QCOMPARE(xfconf(environment, kXfceShown), u"1 1 1 1 120 100 0 5 0 2 1 15 1 15 true"_s);
    QCOMPARE(outcomeNames(reports),
        u"power-button:applied sleep-button:applied lid:applied dim:approximated display-off:applied "
        "sleep:approximated hibernate:approximated lock-on-wake:applied"_s);
    QCOMPARE(reportText(reports, Setting::HibernateIdle),
        u"approximated: Xfce has one idle action; it suspends; Xfce sleeps after whole minutes, 15 minutes to 6 hours"_s);
    QCOMPARE(m_ledger->written(u"xfconf/xfce4-power-manager/xfce4-power-manager/dpms-on-battery-off"_s), u"2"_s);
    // Xfce reads its numbers as uint: one written as int would be ignored.
    const QDBusMessage got = busCall(session, u"org.xfce.Xfconf"_s, u"/org/xfce/Xfconf"_s, u"org.xfce.Xfconf"_s,
        u"GetProperty"_s, { u"xfce4-power-manager"_s, u"/xfce4-power-manager/inactivity-on-ac"_s });
    QCOMPARE(qvariant_cast<QDBusVariant>(got.arguments().value(0)).variant().typeId(), int(QMetaType::UInt));

    // Shut down is Xfce's 4 (3 asks); "never" sleeps is 14 minutes; closing the lid with nothing
    // to do switches the display off.
    reports = apply(seededPlanValues(u"High performance"), PowerSource::Ac, ApplyReason::Activation);
    QCOMPARE(xfconf(environment, kXfceShown), u"4 1 0 1 600 300 0 15 0 10 1 14 1 30 true"_s);
    QCOMPARE(reportText(reports, Setting::Lid), u"approximated: Xfce switches the display off when the lid closes"_s);

    // A value the user chose in Xfce's settings stays on a power source change; the rest follows.
    apply(saver, PowerSource::Ac, ApplyReason::Activation);
    xfconf(environment, { u"lid-action-on-battery"_s }, u"uint"_s, u"3"_s);
    reports = apply(saver, PowerSource::Dc, ApplyReason::Follow);
    QCOMPARE(outcomeNames(reports, { Setting::Lid, Setting::DisplayOff }),
        u"lid:changed-outside-ampora display-off:applied"_s);
    QCOMPARE(xfconf(environment, { u"lid-action-on-ac"_s, u"lid-action-on-battery"_s }), u"1 3"_s);

    // Where Xfce leaves the lid to logind, nothing Xfce holds would take effect; a shut-down lid
    // Xfce cannot do at all.
    xfconf(environment, { u"logind-handle-lid-switch"_s }, u"bool"_s, u"true"_s);
    reports = apply(saver, PowerSource::Ac, ApplyReason::Activation);
    QCOMPARE(reportText(reports, Setting::Lid),
        u"not-on-this-desktop: Xfce leaves it to the system's logind settings (logind-handle-lid-switch)"_s);
    QCOMPARE(xfconf(environment, { u"lid-action-on-battery"_s }), u"3"_s);
    xfconf(environment, { u"logind-handle-lid-switch"_s }, u"bool"_s, u"false"_s);
    PlanValues shutDown = saver;
    shutDown.setValue(Setting::Lid, PowerSource::Dc, 3);
    QCOMPARE(outcomeNames(apply(shutDown, PowerSource::Ac, ApplyReason::Activation), { Setting::Lid }),
        u"lid:not-on-this-desktop"_s);

    // Without xfconfd every setting says so, and nothing waits long.
    stop.dismiss();
    daemon.kill();
    daemon.waitForFinished();
    QTRY_VERIFY(!session.interface()->isServiceRegistered(u"org.xfce.Xfconf"_s));
    reports = apply(saver, PowerSource::Ac, ApplyReason::Activation);
    QVERIFY2(reportText(reports, Setting::PowerButton).startsWith(u"not-on-this-desktop: xfconf does not answer"_s),
        qPrintable(reportText(reports, Setting::PowerButton)));
    QDBusConnection::disconnectFromBus(u"xfce"_s);
}

void TestDesktopAppliers::mateAndCinnamonKeepValuesPerSource_data()
{
    QTest::addColumn<GSettingsPowerLayout>("layout");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("lock");
    // MATE takes its screensaver's lock setting unless told otherwise.
    QTest::newRow("MATE")
        << GSettingsPowerLayout::mate() << u"org/mate/power-manager"_s
        << u"button-power button-suspend button-lid-ac button-lid-battery idle-dim-ac idle-dim-battery "
           "idle-dim-time sleep-display-ac sleep-display-battery action-sleep-type-ac sleep-computer-ac "
           "action-sleep-type-battery sleep-computer-battery lock-suspend lock-hibernate"_s.split(u' ')
        << u"'suspend' 'suspend' 'suspend' 'suspend' true true 120 300 120 'suspend' 900 'suspend' "
           "600 true true"_s
        << u"approximated"_s;
    QTest::newRow("Cinnamon")
        << GSettingsPowerLayout::cinnamon() << u"org/cinnamon/settings-daemon/plugins/power"_s
        << u"button-power button-suspend lid-close-ac-action lid-close-battery-action idle-dim-ac "
           "idle-dim-battery idle-dim-time sleep-display-ac sleep-display-battery "
           "sleep-inactive-ac-type sleep-inactive-ac-timeout sleep-inactive-battery-type "
           "sleep-inactive-battery-timeout lock-on-suspend"_s.split(u' ')
        << u"'suspend' 'suspend' 'suspend' 'suspend' true true 120 300 120 'suspend' 900 "
           "'suspend' 600 true"_s
        << u"applied"_s;
}

void TestDesktopAppliers::mateAndCinnamonKeepValuesPerSource()
{
    QFETCH(GSettingsPowerLayout, layout);
    QFETCH(QString, group);
    QFETCH(QStringList, keys);
    QFETCH(QString, shown);
    QFETCH(QString, lock);
    GSettingsPowerApplier applier(*m_ledger, layout);
    const PlanValues saver = seededPlanValues(u"Power saver");
    QList<SettingReport> reports = applier.apply({ saver, PowerSource::Ac, ApplyReason::Activation }, kDesktopSettings);
    QCOMPARE(keyfileValues(group, keys), shown);
    QCOMPARE(outcomeNames(reports),
        u"power-button:applied sleep-button:applied lid:applied dim:applied display-off:applied sleep:applied "
        "hibernate:approximated lock-on-wake:"_s
            + lock);

    // On battery the one dim delay follows; the user's lid choice stays; shut down is the
    // desktop's own "shutdown".
    QVERIFY(GSettingsKey(layout.schema, keys.at(3)).write(u"nothing"_s).ok());
    PlanValues edited = saver;
    edited.setValue(Setting::PowerButton, PowerSource::Dc, 3);
    reports = applier.apply({ edited, PowerSource::Dc, ApplyReason::Follow }, kDesktopSettings);
    QCOMPARE(outcomeNames(reports, { Setting::Lid, Setting::Dim }), u"lid:changed-outside-ampora dim:applied"_s);
    QCOMPARE(
        keyfileValues(group, { keys.at(0), keys.at(3), keys.at(6), keys.at(7) }), u"'shutdown' 'nothing' 60 300"_s);

    // An idle choice whose delay is refused is not written, nor recorded as being written: the
    // action the user picks afterwards stays theirs, though Ampora once meant to write it too.
    PlanValues refused = saver;
    refused.setValue(Setting::SleepIdle, PowerSource::Ac, 0);
    refused.setValue(Setting::HibernateIdle, PowerSource::Ac, 0xFFFFFFFF); // beyond the signed seconds
    reports = applier.apply({ refused, PowerSource::Ac, ApplyReason::Activation }, kDesktopSettings);
    QCOMPARE(outcomeNames(reports, { Setting::HibernateIdle }), u"hibernate:failed"_s);
    QVERIFY(GSettingsKey(layout.schema, keys.at(9)).write(u"hibernate"_s).ok());
    reports = applier.apply({ saver, PowerSource::Ac, ApplyReason::Follow }, kDesktopSettings);
    QCOMPARE(outcomeNames(reports, { Setting::SleepIdle }), u"sleep:changed-outside-ampora"_s);
    QCOMPARE(keyfileValue(group, keys.at(9)), u"'hibernate'"_s);
}

QTEST_GUILESS_MAIN(TestDesktopAppliers)
#include "TestDesktopAppliers.moc"
