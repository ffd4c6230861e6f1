// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "IdleWatch.h"
#include "LockOnWake.h"
#include "LogindBrightnessApplier.h"
#include "LogindInhibitor.h"
#include "LogindManager.h"
#include "PlanApplier.h"

#include <QDBusConnection>
#include <QObject>
#include <atomic>
#include <memory>
#include <optional>

class LidWatch;
class X11KeyGrab;
class X11ScreenSaver;

// Ampora's own applier for sessions where no desktop power manager runs (i3, sway, Openbox, a bare
// X session), living in the running copy. The power and sleep keys and the lid: while the plan's
// action differs from logind's own, Ampora holds logind's handle-* inhibitor lock and acts itself
// through logind when the key is pressed (seen through an X key grab) or the lid closes
// (LidWatch). On X11, the display goes off through the X server's screen saver and DPMS timeouts,
// and dim, sleep and hibernate follow the X idle time; the brightness is then set here too, so a
// dimmed screen is never taken for the user's level. Lock on wake through a sleep delay lock and
// Session.Lock. A copy that is not the running one only reports that these need Ampora running.
//
// It lives on the thread that makes it, where its timers and signals run; an apply from another
// thread (the follower's worker) is handed over to it and waited for.
class AMPORA_BASE_EXPORT ResidentApplier : public QObject, public PlanApplier
{
    Q_OBJECT
public:
    enum class Presence { Running, NotRunning };
    enum class Display { Detect, X11, Wayland, None };

    // display: which kind of session; Detect reads XDG_SESSION_TYPE, WAYLAND_DISPLAY and DISPLAY.
    ResidentApplier(AppliedLedger &ledger, const QDBusConnection &systemBus, Presence presence,
        Display display = Display::Detect, QObject *parent = nullptr);
    ~ResidentApplier() override;

    QString name() const override;
    QList<Setting> handles() const override;
    QList<SettingReport> apply(const ApplyRequest &request, const QList<Setting> &settings) override;
    void release() override;

    // What it holds now, for the user and for tests.
    bool holdsInhibitor(Setting setting) const;

private Q_SLOTS:
    void onPrepareForSleep(bool starting);

private:
    QList<SettingReport> applyHere(const ApplyRequest &request, const QList<Setting> &settings);
    SettingReport applyKey(Setting setting, const ApplyRequest &request);
    SettingReport applyLid(const ApplyRequest &request);
    SettingReport applyDisplayOff(const ApplyRequest &request);
    QList<SettingReport> applyIdle(const ApplyRequest &request, const QList<Setting> &settings);
    SettingReport applyLockOnWake(const ApplyRequest &request);
    SettingReport applyBrightness(const ApplyRequest &request);
    std::optional<SettingReport> idleUnavailable(Setting setting) const;
    void onKey(quint32 keysym);
    void onIdleStage(IdleWatch::Stage stage);
    void onActivity();
    LogindInhibitor &inhibitorFor(Setting setting);
    void setLidAction(LogindManager::Action action);

    Presence m_presence;
    Display m_display;
    LogindManager m_logind;
    LogindInhibitor m_powerKey;
    LogindInhibitor m_sleepKey;
    LogindInhibitor m_lidSwitch;
    std::unique_ptr<LockOnWake> m_lockOnWake;
    std::unique_ptr<LidWatch> m_lidWatch;
    std::unique_ptr<X11ScreenSaver> m_screenSaver;
    std::unique_ptr<X11KeyGrab> m_keys;
    std::unique_ptr<IdleWatch> m_idle;
    LogindBrightnessApplier m_backlight;
    // What Ampora does itself while it holds the inhibitor of each.
    LogindManager::Action m_powerAction = LogindManager::Action::Nothing;
    LogindManager::Action m_sleepAction = LogindManager::Action::Nothing;
    LogindManager::Action m_idleSleep = LogindManager::Action::Sleep;
    std::optional<quint32> m_undimmedLevel;
    std::optional<quint32> m_dimmedLevel;
    // Its thread no longer runs events: an apply handed over would wait in vain.
    std::atomic<bool> m_quitting { false };
};
