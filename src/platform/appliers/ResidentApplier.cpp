// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResidentApplier.h"

#include "LidWatch.h"
#include "X11KeyGrab.h"
#include "X11ScreenSaver.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>
#include <future>

using namespace Qt::StringLiterals;
using Action = LogindManager::Action;

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kUPowerPath = u"/org/freedesktop/UPower"_s;
const QString kProperties = u"org.freedesktop.DBus.Properties"_s;
// An apply handed to the running copy's thread waits this long at most.
constexpr std::chrono::seconds kHandOverWait { 20 };
constexpr std::chrono::milliseconds kHandOverLook { 100 };
// Dimming lowers the brightness to this share of what it was.
constexpr quint32 kDimPercent = 30;
// The X server blanks after 32767 s at most.
constexpr quint32 kLongestBlank = 32767;

ResidentApplier::Display detectDisplay()
{
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland" || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return ResidentApplier::Display::Wayland;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return ResidentApplier::Display::X11;
    return ResidentApplier::Display::None;
}

QVariant upowerProperty(const QDBusConnection &bus, const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(kUPower, kUPowerPath, kProperties, u"Get"_s);
    get << kUPower << name;
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QString verb(Action action)
{
    switch (action) {
    case Action::Nothing:
        return u"do nothing"_s;
    case Action::Sleep:
        return u"sleep"_s;
    case Action::Hibernate:
        return u"hibernate"_s;
    case Action::ShutDown:
        return u"shut down"_s;
    case Action::SleepThenHibernate:
        return u"sleep, then hibernate"_s;
    }
    return {};
}

SettingReport noValue(Setting setting)
{
    return { setting, Outcome::Failed, u"the plan has no value for it"_s };
}

} // namespace

ResidentApplier::ResidentApplier(
    AppliedLedger &ledger, const QDBusConnection &systemBus, Presence presence, Display display, QObject *parent)
    : QObject(parent)
    , m_presence(presence)
    , m_display(display == Display::Detect ? detectDisplay() : display)
    , m_logind(systemBus)
    , m_powerKey(systemBus, u"handle-power-key"_s, u"block"_s)
    , m_sleepKey(systemBus, u"handle-suspend-key"_s, u"block"_s)
    , m_lidSwitch(systemBus, u"handle-lid-switch"_s, u"block"_s)
    , m_backlight(ledger, systemBus)
{
    if (m_presence != Presence::Running)
        return;
    m_lockOnWake = std::make_unique<LockOnWake>(m_logind);
    m_lidWatch = std::make_unique<LidWatch>(systemBus);
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { m_quitting = true; });
    QDBusConnection bus = systemBus;
    bus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s,
        u"PrepareForSleep"_s, this, SLOT(onPrepareForSleep(bool)));
    if (m_display != Display::X11)
        return;
    m_screenSaver = std::make_unique<X11ScreenSaver>();
    if (!m_screenSaver->isOpen()) {
        m_screenSaver.reset();
        m_display = Display::None;
        return;
    }
    m_keys = std::make_unique<X11KeyGrab>();
    connect(m_keys.get(), &X11KeyGrab::pressed, this, &ResidentApplier::onKey);
    m_idle = std::make_unique<IdleWatch>([saver = m_screenSaver.get()] { return saver->idleTime(); });
    connect(m_idle.get(), &IdleWatch::reached, this, &ResidentApplier::onIdleStage);
    connect(m_idle.get(), &IdleWatch::activity, this, &ResidentApplier::onActivity);
}

ResidentApplier::~ResidentApplier()
{
    release();
}

QString ResidentApplier::name() const
{
    // No ", " in a name: the status file keeps the names joined by it.
    if (m_presence == Presence::Running && m_display == Display::X11)
        return u"Ampora (logind/X11)"_s;
    return u"Ampora (logind)"_s;
}

QList<Setting> ResidentApplier::handles() const
{
    QList<Setting> settings { Setting::PowerButton, Setting::SleepButton, Setting::Lid, Setting::Dim,
        Setting::DisplayOff, Setting::SleepIdle, Setting::HibernateIdle, Setting::LockOnWake };
    // While it dims the screen, the brightness is set through it, or the dimmed level would be
    // taken for the user's.
    if (m_idle && !m_backlight.handles().isEmpty())
        settings.append(Setting::Brightness);
    return settings;
}

QList<SettingReport> ResidentApplier::apply(const ApplyRequest &request, const QList<Setting> &settings)
{
    if (m_presence != Presence::Running) {
        QList<SettingReport> reports;
        for (const Setting setting : settings) {
            reports.append({ setting, Outcome::NeedsResident,
                u"no desktop power manager runs here: Ampora does it while its tray copy runs"_s });
        }
        return reports;
    }
    if (QThread::currentThread() == thread())
        return applyHere(request, settings);
    // Its locks, timers and signals belong to its own thread.
    auto promise = std::make_shared<std::promise<QList<SettingReport>>>();
    std::future<QList<SettingReport>> result = promise->get_future();
    QMetaObject::invokeMethod(
        this, [this, request, settings, promise] { promise->set_value(applyHere(request, settings)); },
        Qt::QueuedConnection);
    // The program may end meanwhile, with its thread waiting for this one: then no answer comes.
    const QDeadlineTimer deadline(kHandOverWait);
    while (!m_quitting && !deadline.hasExpired()) {
        if (result.wait_for(kHandOverLook) == std::future_status::ready)
            return result.get();
    }
    QList<SettingReport> reports;
    for (const Setting setting : settings)
        reports.append({ setting, Outcome::Failed, u"Ampora's running copy did not answer in time"_s });
    return reports;
}

void ResidentApplier::release()
{
    m_powerKey.release();
    m_sleepKey.release();
    m_lidSwitch.release();
    setLidAction(Action::Nothing);
    if (m_keys) {
        m_keys->ungrab(X11KeyGrab::kPowerOff);
        m_keys->ungrab(X11KeyGrab::kSleep);
    }
    if (m_lockOnWake)
        (void)m_lockOnWake->setEnabled(false);
    if (m_idle)
        m_idle->setStages({});
    onActivity();
}

bool ResidentApplier::holdsInhibitor(Setting setting) const
{
    switch (setting) {
    case Setting::PowerButton:
        return m_powerKey.isHeld();
    case Setting::SleepButton:
        return m_sleepKey.isHeld();
    case Setting::Lid:
        return m_lidSwitch.isHeld();
    case Setting::LockOnWake:
        return m_lockOnWake && m_lockOnWake->isHeld();
    default:
        return false;
    }
}

QList<SettingReport> ResidentApplier::applyHere(const ApplyRequest &request, const QList<Setting> &settings)
{
    QList<SettingReport> reports;
    QList<Setting> idle;
    const bool logind = m_logind.isRunning();
    for (const Setting setting : settings) {
        if (!logind && setting != Setting::DisplayOff) {
            reports.append({ setting, Outcome::NotOnThisMachine, u"logind is not running"_s });
            continue;
        }
        switch (setting) {
        case Setting::PowerButton:
        case Setting::SleepButton:
            reports.append(applyKey(setting, request));
            break;
        case Setting::Lid:
            reports.append(applyLid(request));
            break;
        case Setting::DisplayOff:
            reports.append(applyDisplayOff(request));
            break;
        case Setting::LockOnWake:
            reports.append(applyLockOnWake(request));
            break;
        case Setting::Dim:
        case Setting::SleepIdle:
        case Setting::HibernateIdle:
            idle.append(setting);
            break;
        case Setting::Brightness:
            reports.append(applyBrightness(request));
            break;
        default:
            reports.append({ setting, Outcome::Failed, u"Ampora does not set it itself"_s });
            break;
        }
    }
    if (!idle.isEmpty())
        reports.append(applyIdle(request, idle));
    return reports;
}

SettingReport ResidentApplier::applyKey(Setting setting, const ApplyRequest &request)
{
    const bool power = setting == Setting::PowerButton;
    LogindInhibitor &lock = inhibitorFor(setting);
    const quint32 keysym = power ? X11KeyGrab::kPowerOff : X11KeyGrab::kSleep;
    Action &current = power ? m_powerAction : m_sleepAction;
    const auto giveBack = [&] {
        lock.release();
        if (m_keys)
            m_keys->ungrab(keysym);
        current = Action::Nothing;
    };
    const std::optional<quint32> value = request.values.value(setting, request.source);
    if (!value)
        return noValue(setting);
    const std::optional<Action> action = LogindManager::fromPlan(*value);
    if (!action)
        return { setting, Outcome::Failed, u"%1 is not an action"_s.arg(*value) };
    if (m_logind.ownAction(power ? u"HandlePowerKey"_s : u"HandleSuspendKey"_s) == action) {
        giveBack();
        return { setting, Outcome::Applied, u"logind's own setting does it"_s };
    }
    if (*action != Action::Nothing) {
        if (!m_keys) {
            giveBack();
            return { setting, Outcome::NotOnThisDesktop,
                m_display == Display::Wayland
                    ? u"on Wayland only the compositor sees the key, and logind's own setting differs"_s
                    : u"Ampora sees the key only on an X display, and logind's own setting differs"_s };
        }
        if (!m_logind.can(*action)) {
            giveBack();
            return { setting, Outcome::NotOnThisMachine, u"logind cannot %1 this machine"_s.arg(verb(*action)) };
        }
        // The key is Ampora's before logind is told to leave it: a key nobody handles would be lost.
        if (!m_keys->grab(keysym)) {
            giveBack();
            return { setting, Outcome::NotOnThisDesktop, u"another program on the X display holds the key"_s };
        }
    } else if (m_keys) {
        m_keys->ungrab(keysym);
    }
    if (const Result<> taken = lock.take(u"The power plan's action for this key: %1"_s.arg(verb(*action))); !taken) {
        giveBack();
        return { setting, Outcome::Failed, taken.failure().message };
    }
    current = *action;
    return { setting, Outcome::Applied, {} };
}

SettingReport ResidentApplier::applyLid(const ApplyRequest &request)
{
    const auto giveBack = [this] {
        m_lidSwitch.release();
        setLidAction(Action::Nothing);
    };
    const std::optional<quint32> value = request.values.value(Setting::Lid, request.source);
    if (!value)
        return noValue(Setting::Lid);
    const std::optional<Action> action = LogindManager::fromPlan(*value);
    if (!action)
        return { Setting::Lid, Outcome::Failed, u"%1 is not an action"_s.arg(*value) };
    // On mains logind takes HandleLidSwitchExternalPower, unless it is unset.
    QString property = u"HandleLidSwitch"_s;
    if (request.source == PowerSource::Ac && !m_logind.property(u"HandleLidSwitchExternalPower"_s).toString().isEmpty())
        property = u"HandleLidSwitchExternalPower"_s;
    if (m_logind.ownAction(property) == action) {
        giveBack();
        return { Setting::Lid, Outcome::Applied, u"logind's own setting does it"_s };
    }
    if (*action != Action::Nothing) {
        const QVariant present = upowerProperty(m_logind.bus(), u"LidIsPresent"_s);
        if (!present.isValid()) {
            giveBack();
            return { Setting::Lid, Outcome::Failed,
                u"UPower is not running, so Ampora cannot see the lid; logind's own setting stays"_s };
        }
        if (!present.toBool()) {
            giveBack();
            return { Setting::Lid, Outcome::NotOnThisMachine, u"UPower sees no lid"_s };
        }
        if (!m_logind.can(*action)) {
            giveBack();
            return { Setting::Lid, Outcome::NotOnThisMachine, u"logind cannot %1 this machine"_s.arg(verb(*action)) };
        }
    }
    if (const Result<> taken = m_lidSwitch.take(u"The power plan's lid action: %1"_s.arg(verb(*action))); !taken) {
        giveBack();
        return { Setting::Lid, Outcome::Failed, taken.failure().message };
    }
    setLidAction(*action);
    return { Setting::Lid, Outcome::Applied, {} };
}

SettingReport ResidentApplier::applyDisplayOff(const ApplyRequest &request)
{
    if (m_display == Display::Wayland)
        return { Setting::DisplayOff, Outcome::NotOnThisDesktop,
            u"a Wayland compositor gives no program the display's power"_s };
    if (!m_screenSaver)
        return { Setting::DisplayOff, Outcome::NotOnThisDesktop, u"there is no X display"_s };
    const std::optional<quint32> value = request.values.value(Setting::DisplayOff, request.source);
    if (!value)
        return noValue(Setting::DisplayOff);
    if (const Result<> set = m_screenSaver->setBlankTimeout(*value); !set)
        return { Setting::DisplayOff, Outcome::Failed, set.failure().message };
    if (*value > kLongestBlank)
        return { Setting::DisplayOff, Outcome::Approximated, u"the X server blanks after 9 hours at most"_s };
    if (*value > 0 && !m_screenSaver->hasDpms())
        return { Setting::DisplayOff, Outcome::Approximated,
            u"the X server blanks the screen but cannot switch this display off (no DPMS)"_s };
    return { Setting::DisplayOff, Outcome::Applied, {} };
}

std::optional<SettingReport> ResidentApplier::idleUnavailable(Setting setting) const
{
    if (m_display == Display::Wayland)
        return SettingReport { setting, Outcome::NotOnThisDesktop,
            u"a Wayland compositor tells no program how long the user has been idle"_s };
    if (!m_idle)
        return SettingReport { setting, Outcome::NotOnThisDesktop,
            u"without an X display Ampora cannot tell how long the user has been idle"_s };
    if (!m_screenSaver->hasIdleTime())
        return SettingReport { setting, Outcome::NotOnThisDesktop,
            u"the X server does not tell the idle time (no MIT-SCREEN-SAVER)"_s };
    return std::nullopt;
}

QList<SettingReport> ResidentApplier::applyIdle(const ApplyRequest &request, const QList<Setting> &settings)
{
    QList<SettingReport> reports;
    if (idleUnavailable(settings.constFirst())) {
        for (const Setting setting : settings)
            reports.append(*idleUnavailable(setting));
        return reports;
    }
    const auto valueOf = [&](Setting setting) -> std::optional<quint32> {
        if (!settings.contains(setting))
            return 0; // not this applier's to do: never
        return request.values.value(setting, request.source);
    };
    std::map<IdleWatch::Stage, quint32> stages;

    if (settings.contains(Setting::Dim)) {
        const std::optional<quint32> dim = valueOf(Setting::Dim);
        if (!dim)
            reports.append(noValue(Setting::Dim));
        else if (*dim > 0 && m_backlight.handles().isEmpty())
            reports.append({ Setting::Dim, Outcome::NotOnThisMachine, u"there is no backlight logind can dim"_s });
        else {
            stages[IdleWatch::Stage::Dim] = *dim;
            reports.append({ Setting::Dim, Outcome::Applied, {} });
        }
    }

    const std::optional<quint32> sleep = valueOf(Setting::SleepIdle);
    const std::optional<quint32> hibernate = valueOf(Setting::HibernateIdle);
    SettingReport sleepReport { Setting::SleepIdle, Outcome::Applied, {} };
    SettingReport hibernateReport { Setting::HibernateIdle, Outcome::Applied, {} };
    if (!sleep || !hibernate) {
        sleepReport = sleep ? sleepReport : noValue(Setting::SleepIdle);
        hibernateReport = hibernate ? hibernateReport : noValue(Setting::HibernateIdle);
    } else {
        m_idleSleep = Action::Sleep;
        if (*hibernate > 0 && !m_logind.can(Action::Hibernate)) {
            hibernateReport
                = { Setting::HibernateIdle, Outcome::NotOnThisMachine, u"logind cannot hibernate this machine"_s };
            if (*sleep > 0)
                stages[IdleWatch::Stage::Sleep] = *sleep;
        } else if (*sleep > 0 && *hibernate > 0 && *hibernate <= *sleep) {
            stages[IdleWatch::Stage::Hibernate] = *hibernate;
            sleepReport = { Setting::SleepIdle, Outcome::Approximated, u"the plan hibernates the machine first"_s };
        } else if (*sleep > 0 && *hibernate > 0) {
            // A sleeping machine runs no timer of Ampora's: logind has to hibernate it later.
            stages[IdleWatch::Stage::Sleep] = *sleep;
            if (m_logind.can(Action::SleepThenHibernate)) {
                m_idleSleep = Action::SleepThenHibernate;
                hibernateReport = { Setting::HibernateIdle, Outcome::Approximated,
                    u"after sleeping, the machine hibernates after the system's own delay (HibernateDelaySec in "
                    "sleep.conf)"_s };
            } else {
                hibernateReport = { Setting::HibernateIdle, Outcome::Approximated,
                    u"logind cannot hibernate a sleeping machine here, so it only sleeps"_s };
            }
        } else {
            if (*sleep > 0)
                stages[IdleWatch::Stage::Sleep] = *sleep;
            if (*hibernate > 0)
                stages[IdleWatch::Stage::Hibernate] = *hibernate;
        }
    }
    if (settings.contains(Setting::SleepIdle))
        reports.append(sleepReport);
    if (settings.contains(Setting::HibernateIdle))
        reports.append(hibernateReport);
    m_idle->setStages(stages);
    return reports;
}

SettingReport ResidentApplier::applyBrightness(const ApplyRequest &request)
{
    // Set on the undimmed screen, then dimmed again from the new level.
    const bool dimmed = m_undimmedLevel.has_value();
    onActivity();
    const SettingReport report = m_backlight.apply(request, { Setting::Brightness }).value(0);
    if (dimmed)
        onIdleStage(IdleWatch::Stage::Dim);
    return report;
}

SettingReport ResidentApplier::applyLockOnWake(const ApplyRequest &request)
{
    const std::optional<quint32> value = request.values.value(Setting::LockOnWake, request.source);
    if (!value)
        return noValue(Setting::LockOnWake);
    if (const Result<> set = m_lockOnWake->setEnabled(*value != 0); !set)
        return { Setting::LockOnWake, Outcome::Failed, set.failure().message };
    if (*value == 0)
        return { Setting::LockOnWake, Outcome::Applied, {} };
    return { Setting::LockOnWake, Outcome::Applied,
        u"logind tells the screen locker to lock; one that follows it (xss-lock, swayidle) must run"_s };
}

void ResidentApplier::onKey(quint32 keysym)
{
    const bool power = keysym == X11KeyGrab::kPowerOff;
    if ((power ? m_powerKey : m_sleepKey).isHeld())
        (void)m_logind.act(power ? m_powerAction : m_sleepAction);
}

void ResidentApplier::onPrepareForSleep(bool starting)
{
    if (starting)
        return;
    // The X idle time does not count the sleep: without input since, it would say the user is as
    // idle as before and send the machine straight back to sleep.
    if (m_screenSaver)
        m_screenSaver->resetIdle();
    if (m_idle)
        m_idle->restart();
}

void ResidentApplier::onIdleStage(IdleWatch::Stage stage)
{
    switch (stage) {
    case IdleWatch::Stage::Dim:
        if (const std::optional<quint32> level = m_backlight.currentLevel(); level && *level > 1) {
            const quint32 dimmed = std::max<quint32>(1, *level * kDimPercent / 100);
            if (m_backlight.setLevel(dimmed)) {
                m_undimmedLevel = level;
                m_dimmedLevel = dimmed;
            }
        }
        break;
    case IdleWatch::Stage::Sleep:
        if (!m_logind.idleInhibited())
            (void)m_logind.act(m_idleSleep);
        break;
    case IdleWatch::Stage::Hibernate:
        if (!m_logind.idleInhibited())
            (void)m_logind.act(Action::Hibernate);
        break;
    }
}

void ResidentApplier::onActivity()
{
    const std::optional<quint32> undimmed = std::exchange(m_undimmedLevel, std::nullopt);
    const std::optional<quint32> dimmed = std::exchange(m_dimmedLevel, std::nullopt);
    // A level the user chose while dimmed stays.
    if (undimmed && m_backlight.currentLevel() == dimmed)
        (void)m_backlight.setLevel(*undimmed);
}

LogindInhibitor &ResidentApplier::inhibitorFor(Setting setting)
{
    return setting == Setting::PowerButton ? m_powerKey : setting == Setting::SleepButton ? m_sleepKey : m_lidSwitch;
}

void ResidentApplier::setLidAction(Action action)
{
    if (m_lidWatch)
        m_lidWatch->setAction(action);
}
