// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppliedLedger.h"
#include "ApplyCoordinator.h"
#include "ApplyStatus.h"
#include "FakePlanApplier.h"
#include "FakePowerEvents.h"
#include "FakePowerPlatform.h"
#include "GnomeSettingsFixture.h"
#include "PlanFollower.h"
#include "PowerSettings.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using ApplySetting::allSettings;
using ApplySetting::settingRow;

using namespace Qt::StringLiterals;

namespace {

// A plan whose every value is base + the setting's position, plus 100 on battery.
QUuid addPlan(FakePowerPlatform &platform, const QString &name, quint32 base)
{
    const QUuid plan = platform.addScheme(name);
    for (const Setting setting : allSettings()) {
        const PowerSettingRow &row = settingRow(setting);
        const quint32 value = base + static_cast<quint32>(setting);
        (void)platform.writeValueIndex(PowerSource::Ac, plan, row.subgroup, row.setting, value);
        (void)platform.writeValueIndex(PowerSource::Dc, plan, row.subgroup, row.setting, value + 100);
    }
    return plan;
}

// A coordinator over appliers, first to last, which it owns.
std::unique_ptr<ApplyCoordinator> coordinatorOf(std::initializer_list<PlanApplier *> appliers,
    std::optional<PlanCapabilities> capabilities = std::nullopt, AppliedLedger *ledger = nullptr)
{
    std::vector<std::unique_ptr<PlanApplier>> owned;
    for (PlanApplier *applier : appliers)
        owned.emplace_back(applier);
    return std::make_unique<ApplyCoordinator>(std::move(owned), capabilities, ledger);
}

} // namespace

class TestApply : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_following.reset(); // before the folders it writes to go
        m_env = std::make_unique<TestEnvironment>();
        m_following = std::make_unique<Following>();
        m_following->platform.setActiveDirectly(m_following->first);
        m_following->follower.start();
        QVERIFY(m_following->applied.wait());
    }

    void eachSettingGoesToTheFirstApplierThatHandlesIt()
    {
        auto *desktop = new FakePlanApplier({ Setting::PowerButton, Setting::Dim, Setting::Brightness }, u"desktop"_s);
        desktop->outcomes[Setting::Dim] = Outcome::Approximated;
        desktop->details[Setting::Dim] = u"dims at half the blank time"_s;
        auto *daemon
            = new FakePlanApplier({ Setting::Brightness, Setting::Lid, Setting::PerformanceProfile }, u"daemon"_s);
        // A laptop without a lid switch: the lid is not on this machine, whoever could handle it.
        const auto coordinator = coordinatorOf({ desktop, daemon }, PlanCapabilities { true, true, false, true, true });

        const QList<SettingReport> reports = coordinator->apply({ {}, PowerSource::Dc, ApplyReason::Follow });
        for (int i = 0; i < kSettingCount; ++i)
            QCOMPARE(reports.value(i).setting, static_cast<Setting>(i));
        QCOMPARE(outcomeNames(reports),
            u"power-button:applied sleep-button:not-on-this-desktop lid:not-on-this-machine dim:approximated "
            "display-off:not-on-this-desktop disk-off:needs-administrator sleep:not-on-this-desktop "
            "hibernate:not-on-this-desktop lock-on-wake:not-on-this-desktop brightness:applied "
            "performance-profile:applied"_s);
        QCOMPARE(reports[3].detail, u"dims at half the blank time"_s);
        // Each applier is asked once, for the source of the request.
        QCOMPARE(desktop->requests.size(), 1);
        QCOMPARE(daemon->requests.size(), 1);
        QCOMPARE(daemon->requests[0].source, PowerSource::Dc);

        coordinator->release();
        QCOMPARE(desktop->releases + daemon->releases, 2);
        // That capabilities which could not be read hide nothing, ampctl's status shows (TestAmpctl).
    }

    void followerAppliesWhenThePlanTheSourceOrTheMachineChanges()
    {
        auto &[platform, first, second, recorder, coordinator, events, follower, applied] = *m_following;
        // At start: a follow, with the active plan's values.
        QCOMPARE(recorder->requests.size(), 1);
        QCOMPARE(recorder->requests[0].reason, ApplyReason::Follow);
        QCOMPARE(recorder->requests[0].values.value(Setting::Dim, PowerSource::Dc), 113u);

        // Another plan, or new values for the active one, is an activation; a change elsewhere in
        // the store applies nothing.
        QVERIFY(platform.setActiveScheme(second));
        QVERIFY(applied.wait());
        QCOMPARE(recorder->requests[1].reason, ApplyReason::Activation);
        QCOMPARE(recorder->requests[1].values.value(Setting::PowerButton, PowerSource::Ac), 20u);
        QVERIFY(platform.writeFriendlyName(first, u"Renamed"_s));
        Q_EMIT platform.schemesChanged();
        const PowerSettingRow &brightness = settingRow(Setting::Brightness);
        QVERIFY(platform.writeValueIndex(PowerSource::Ac, second, brightness.subgroup, brightness.setting, 55));
        Q_EMIT platform.schemesChanged();
        QVERIFY(applied.wait());
        QCOMPARE(recorder->requests.size(), 3);
        QCOMPARE(recorder->requests[2].values.value(Setting::Brightness, PowerSource::Ac), 55u);

        // Mains to battery, a wake-up and a freed performance profile: follows on the source of the
        // moment. What arrives while an apply runs is applied once afterwards, as an activation if
        // any of it was one.
        events.setSource(PowerSource::Dc);
        events.wake();
        Q_EMIT events.profilesFreed();
        QVERIFY(platform.writeValueIndex(PowerSource::Dc, second, brightness.subgroup, brightness.setting, 35));
        Q_EMIT platform.schemesChanged();
        QTRY_COMPARE(applied.size(), 5);
        QCOMPARE(recorder->requests.size(), 5);
        QCOMPARE(recorder->requests[3].source, PowerSource::Dc);
        QCOMPARE(recorder->requests[3].reason, ApplyReason::Follow);
        QCOMPARE(recorder->requests[4].reason, ApplyReason::Activation);
        QCOMPARE(recorder->requests[4].values.value(Setting::Brightness, PowerSource::Dc), 35u);
    }

    // What happened is kept for the other processes (ampctl status) to read; a store that cannot say
    // which plan is active applies nothing.
    void followerKeepsItsStatusAndNeedsTheActivePlan()
    {
        auto &[platform, first, second, recorder, coordinator, events, follower, applied] = *m_following;
        recorder->outcomes[Setting::LockOnWake] = Outcome::ChangedOutsideAmpora;
        recorder->details[Setting::LockOnWake] = u"the user chose false\nin Settings"_s;
        events.setSource(PowerSource::Dc);
        QVERIFY(applied.wait());
        const std::optional<ApplyStatus> saved = ApplyStatus::load();
        QVERIFY(saved);
        QCOMPARE(saved->plan, first);
        QCOMPARE(saved->source, PowerSource::Dc);
        QCOMPARE(saved->appliers, QStringList { u"fake"_s });
        QCOMPARE(outcomeNames(saved->reports), outcomeNames(follower.lastStatus()->reports));
        // A detail cannot break the file's lines.
        QCOMPARE(saved->reportFor(Setting::LockOnWake)->detail, u"the user chose false in Settings"_s);

        // The worker is let finish whatever it was given before counting.
        platform.setUnreadable(true);
        events.setSource(PowerSource::Ac);
        events.wake();
        QTRY_VERIFY(follower.isIdle());
        QCOMPARE(recorder->requests.size(), 2);
        QCOMPARE(applied.size(), 2);
    }

    void ledgerTellsAmporasValuesFromTheUsers()
    {
        const TestEnvironment &env = *m_env;
        using Verdict = AppliedLedger::Verdict;
        const QString key = u"gsettings/a/b"_s;
        {
            AppliedLedger ledger;
            QVERIFY(ledger.path().startsWith(qEnvironmentVariable("XDG_STATE_HOME")));
            QCOMPARE(ledger.verdict(key, u"'x'"_s), Verdict::Follow); // never written
            QVERIFY(ledger.announce({ { key, u"uint32 300"_s } }, ApplyReason::Activation));
            ledger.remember(key, u"uint32 300"_s);
            QVERIFY(ledger.flush());
            QCOMPARE(AppliedLedger().written(key), u"uint32 300"_s); // read back by another
            QCOMPARE(AppliedLedger().verdict(key, u"uint32 60"_s), Verdict::KeptByUser);

            // A process that ends between announcing and confirming: both values are Ampora's.
            QVERIFY(ledger.announce({ { key, u"uint32 600"_s } }, ApplyReason::Follow));
        }
        AppliedLedger afterKill;
        QCOMPARE(afterKill.verdict(key, u"uint32 600"_s), Verdict::Follow);
        QCOMPARE(afterKill.verdict(key, u"uint32 300"_s), Verdict::Follow);
        afterKill.abandon(key); // refused after all
        QVERIFY(afterKill.flush());
        QCOMPARE(AppliedLedger().verdict(key, u"uint32 600"_s), Verdict::KeptByUser);

        // A ledger that cannot be read decides nothing: a follow neither trusts nor writes over it;
        // an activation keeps it aside and starts afresh.
        // (A folder in its place is the GNOME applier test's.)
        const QString path = env.writeFile(u"random/applied.ini"_s, QByteArray("\xff\xfe\x00[W\n\x9c\x01\nx=1\n", 12));
        AppliedLedger unreadable(path);
        QCOMPARE(unreadable.verdict(key, u"uint32 300"_s), Verdict::Unknown);
        QVERIFY(!unreadable.readError().isEmpty());
        QVERIFY(!unreadable.announce({ { key, u"1"_s } }, ApplyReason::Follow));
        QVERIFY(!unreadable.takeWriteFailure().isEmpty());
        QCOMPARE(unreadable.verdict(key, u"1"_s), Verdict::Unknown);
        QVERIFY(unreadable.announce({ { key, u"1"_s } }, ApplyReason::Activation));
        QCOMPARE(QDir(env.path(u"random"_s)).entryList({ u"applied.ini.corrupt-*"_s }).size(), 1);
        unreadable.remember(key, u"1"_s);
        QVERIFY(unreadable.flush());
        QCOMPARE(AppliedLedger(path).verdict(key, u"2"_s), Verdict::KeptByUser);
        // A ledger that cannot be written fails the apply: TestAmpctlBinary, end to end.
    }

private:
    // A follower of a store with two plans, applying through one recording applier; started, with
    // the first apply made.
    struct Following
    {
        FakePowerPlatform platform;
        QUuid first = addPlan(platform, u"First"_s, 10);
        QUuid second = addPlan(platform, u"Second"_s, 20);
        FakePlanApplier *recorder = new FakePlanApplier(allSettings());
        std::unique_ptr<ApplyCoordinator> coordinator = coordinatorOf({ recorder });
        FakePowerEvents events;
        PlanFollower follower { platform, *coordinator, events };
        QSignalSpy applied { &follower, &PlanFollower::applied };
    };
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Following> m_following;
};

QTEST_GUILESS_MAIN(TestApply)
#include "TestApply.moc"
