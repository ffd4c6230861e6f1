// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScheduleDialog.h"

#include "BusyWork.h"
#include "CheckComboBox.h"
#include "DialogButton.h"
#include "DialogPainting.h"
#include "FocusMarked.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PlanEditorDialog.h"
#include "PowerPlatform.h"
#include "PowerTriggerFile.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "TaskService.h"
#include "UiFonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <utility>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

constexpr int kDialogPointSize = 10;
constexpr QSize kDialogSize(750, 590);

constexpr QRect kPlanList(200, 66, 300, 25);
constexpr QRect kTypeList(200, 116, 300, 25);
constexpr int kRadioTop = 210;
constexpr QSize kRadioSize(100, 20);
constexpr int kRunNowLeft = 100;
constexpr int kOnceLeft = 250;
constexpr int kDailyLeft = 400;
constexpr int kWeeklyLeft = 550;
constexpr QRect kOnlyOnMains(150, 290, 220, 20);
constexpr QRect kWake(400, 290, 250, 20);
constexpr QRect kWakeNote(150, 312, 570, 18);
constexpr int kNetworkHeadingTop = 350;
constexpr QRect kNetworkLabel(180, 392, 110, 23);
constexpr QRect kNetworkList(300, 390, 175, 25);
constexpr int kPowerHeadingTop = 440;
constexpr QRect kEventLabel(80, 482, 110, 23);
constexpr QRect kEventList(200, 480, 175, 25);
constexpr QRect kLevelLabel(390, 482, 100, 23);
constexpr QRect kLevelBox(500, 480, 90, 25);
constexpr int kDefaultLevel = 20;
constexpr QRect kScheduleButton(510, 540, 104, 26);
constexpr QRect kCloseButton(620, 540, 104, 26);

// The kind layouts: pickers and day list, with their labels to the left of them.
constexpr int kPickerTop = 255;
constexpr QSize kPickerSize(175, 25);
constexpr QSize kLabelSize(90, 18);
constexpr int kLabelGap = 10;
constexpr int kFirstPickerLeft = 150;
constexpr int kSecondPickerLeft = 500;
constexpr int kDailyPickerLeft = 300;

constexpr int kScheduleId = 1;
constexpr int kCloseId = 2;

QDateTime g_fixedNow; // invalid: the system clock

constexpr const char16_t *kDayKeys[] = { u"IDS_SUNDAY", u"IDS_MONDAY", u"IDS_TUESDAY", u"IDS_WEDNESDAY",
    u"IDS_THURSDAY", u"IDS_FRIDAY", u"IDS_SATURDAY" };

// A label ends just before its control and reaches further left when its English needs the
// room ("Days of the week"), on the control's line.
QRect labelBefore(const QLabel &label, int controlLeft)
{
    const int width = qMax(kLabelSize.width(), label.fontMetrics().horizontalAdvance(label.text()));
    return QRect(controlLeft - kLabelGap - width, kPickerTop, width, kPickerSize.height());
}

QRect pickerAt(int left)
{
    return QRect(QPoint(left, kPickerTop), kPickerSize);
}

// The locale's short date, always with a four-digit year.
QString dateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(u"yyyy"))
        format.replace(u"yy"_s, u"yyyy"_s);
    return format;
}

// The locale's short time, with seconds: a start time carries them.
QString timeFormat()
{
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's')) {
        const qsizetype minutes = format.indexOf(u"mm");
        if (minutes >= 0)
            format.insert(minutes + 2, u":ss"_s);
    }
    return format;
}

} // namespace

void ScheduleDialog::setFixedNow(const QDateTime &now)
{
    g_fixedNow = now;
}

ScheduleDialog::ScheduleDialog(const Services &services, QWidget *parent)
    : ScheduleDialog(services, QUuid(), false, parent)
{
    finishOpening(true);
}

ScheduleDialog::ScheduleDialog(const Services &services, const QUuid &plan, QWidget *parent)
    : ScheduleDialog(services, plan, true, parent)
{
    finishOpening(true);
}

ScheduleDialog::ScheduleDialog(const Services &services, const TimeSchedule &schedule, QWidget *parent)
    : ScheduleDialog(services, QUuid(), false, parent)
{
    loadTimeSchedule(schedule);
    finishOpening(false);
}

ScheduleDialog::ScheduleDialog(const Services &services, const NetworkSchedule &schedule, QWidget *parent)
    : ScheduleDialog(services, QUuid(), false, parent)
{
    loadNetworkSchedule(schedule);
    finishOpening(false);
}

ScheduleDialog::ScheduleDialog(const Services &services, const PowerTrigger &schedule, QWidget *parent)
    : ScheduleDialog(services, QUuid(), false, parent)
{
    loadPowerTrigger(schedule);
    finishOpening(false);
}

ScheduleDialog::ScheduleDialog(const Services &services, const QUuid &presetPlan, bool presetGiven, QWidget *parent)
    : UnsavedChangesDialog(parent)
    , m_services(services)
    , m_now(g_fixedNow.isValid() ? g_fixedNow : QDateTime::currentDateTime())
    , m_presetPlan(presetGiven ? presetPlan : QUuid())
{
    setWindowTitle(loadText(u"IDS_SCHEDULE_POWER_PLAN"));
    setFont(uiFont(kDialogPointSize));
    setPalette(whiteDialogPalette());
    setAutoFillBackground(true);
    setFixedSize(kDialogSize);

    createControls();
    fillNetworkList();
    createButtons();
    fillDayList();
    fillPlanList(m_presetPlan);
    nameControls();
    connectChanges();
}

void ScheduleDialog::nameControls()
{
    // Tests find the controls by these names.
    const std::pair<QWidget *, QString> names[] = { { m_planList, u"planList"_s }, { m_typeList, u"typeList"_s },
        { m_runNow, u"runNow"_s }, { m_once, u"once"_s }, { m_daily, u"daily"_s }, { m_weekly, u"weekly"_s },
        { m_timePicker, u"timePicker"_s }, { m_datePicker, u"datePicker"_s }, { m_dayList, u"dayList"_s },
        { m_networkList, u"networkList"_s }, { m_onlyOnMains, u"onlyOnMains"_s }, { m_wake, u"wake"_s },
        { m_wakeNote, u"wakeNote"_s }, { m_eventList, u"eventList"_s }, { m_levelBox, u"levelBox"_s },
        { m_scheduleButton, u"scheduleButton"_s }, { m_closeButton, u"closeButton"_s } };
    for (const auto &[control, name] : names)
        control->setObjectName(name);
}

void ScheduleDialog::createControls()
{
    m_planList = new FocusMarked<QComboBox>(this);
    m_planList->setGeometry(kPlanList);
    m_typeList = new FocusMarked<QComboBox>(this);
    m_typeList->setGeometry(kTypeList);
    m_typeList->addItems({ loadText(u"IDS_TIME_BASED"), loadText(u"IDS_NETWORK_BASED"), loadText(u"IDS_POWER_BASED") });

    m_runNow = createRadio(u"IDS_RUN_NOW", kRunNowLeft);
    m_once = createRadio(u"IDS_RUN_ONCE", kOnceLeft);
    m_daily = createRadio(u"IDS_RUN_DAILY", kDailyLeft);
    m_weekly = createRadio(u"IDS_RUN_WEEKLY", kWeeklyLeft);

    m_timeLabel = createLabel(u"IDS_SEL_TIME");
    m_timePicker = new FocusMarked<QTimeEdit>(this);
    m_timePicker->setDisplayFormat(timeFormat());
    // A new schedule starts at the coming whole minute, never at odd seconds nor in the past.
    const QDateTime start = ScheduleChoices::firstStart(m_now);
    m_timePicker->setTime(start.time());

    m_dateLabel = createLabel(u"IDS_SEL_DATE");
    m_datePicker = new FocusMarked<QDateEdit>(this);
    m_datePicker->setDisplayFormat(dateFormat());
    m_datePicker->setCalendarPopup(true);
    m_datePicker->setDateRange(
        ScheduleChoices::firstPickableDate(m_now.date(), {}), QDate(TaskDefinition::kLastYear, 12, 31));
    m_datePicker->setDate(start.date());

    m_weekLabel = createLabel(u"IDS_SEL_WEEK");
    m_dayList = new FocusMarked<CheckComboBox>(this);
    createConditionControls();

    m_networkLabel = new QLabel(loadText(u"IDS_SEL_NETWORK"), this);
    m_networkLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_networkLabel->setGeometry(kNetworkLabel);
    m_networkList = new FocusMarked<QComboBox>(this);
    m_networkList->setGeometry(kNetworkList);
    createPowerControls();

    showKindControls(false, false, false);
}

// Created in the order Tab reaches them: after the time-based pickers.
void ScheduleDialog::createConditionControls()
{
    m_onlyOnMains = new FocusMarked<QCheckBox>(loadText(u"IDS_ONLY_ON_MAINS"), this);
    m_onlyOnMains->setGeometry(kOnlyOnMains);
    m_wake = new FocusMarked<QCheckBox>(loadText(u"IDS_WAKE_TO_RUN"), this);
    m_wake->setGeometry(kWake);
    m_wakeNote = new QLabel(loadText(u"IDS_WAKE_NEEDS_ADMIN"), this);
    m_wakeNote->setGeometry(kWakeNote);
    m_wakeNote->setWordWrap(false);
    QFont small = m_wakeNote->font();
    small.setPointSize(kDialogPointSize - 2);
    m_wakeNote->setFont(small);
    m_wakeNote->setVisible(false);
}

void ScheduleDialog::createPowerControls()
{
    m_eventLabel = new QLabel(loadText(u"IDS_SEL_EVENT"), this);
    m_eventLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_eventLabel->setGeometry(kEventLabel);
    m_eventList = new FocusMarked<QComboBox>(this);
    m_eventList->setGeometry(kEventList);
    // In the order of PowerTrigger::Event; the level is given beside the list.
    for (const char16_t *key :
        { u"IDS_TRIGGER_ON_MAINS", u"IDS_TRIGGER_ON_BATTERY", u"IDS_EVENT_BATTERY_BELOW", u"IDS_TRIGGER_AFTER_WAKE" })
        m_eventList->addItem(loadText(key));
    m_eventList->setCurrentIndex(int(PowerTrigger::Event::OnBattery));
    m_levelLabel = new QLabel(loadText(u"IDS_SEL_LEVEL"), this);
    m_levelLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_levelLabel->setGeometry(kLevelLabel);
    m_levelBox = new FocusMarked<QSpinBox>(this);
    m_levelBox->setGeometry(kLevelBox);
    m_levelBox->setRange(PowerTrigger::kLowestThreshold, PowerTrigger::kHighestThreshold);
    m_levelBox->setSuffix(u' ' + loadText(u"IDS_PERCENT_SIGN"));
    m_levelBox->setValue(kDefaultLevel);
}

void ScheduleDialog::showWakeNote()
{
    const bool timeBased = m_typeList->currentIndex() == int(Type::TimeBased);
    m_wakeNote->setVisible(timeBased && m_wake->isChecked() && !m_services.tasks.canWakeSystem());
}

QLabel *ScheduleDialog::createLabel(const char16_t *key)
{
    auto *label = new QLabel(loadText(key), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QRadioButton *ScheduleDialog::createRadio(const char16_t *key, int left)
{
    auto *radio = new FocusMarked<QRadioButton>(loadText(key), this);
    radio->setGeometry(QRect(QPoint(left, kRadioTop), kRadioSize));
    return radio;
}

void ScheduleDialog::createButtons()
{
    m_scheduleButton = addDialogButton(this, kScheduleId, loadText(u"IDS_SCHEDULE"), kScheduleButton);
    m_closeButton = addDialogButton(this, kCloseId, loadText(u"IDS_CLOSE"), kCloseButton);
    connect(m_scheduleButton, &PictureButton::clicked, this, [this] { save(); });
    connect(m_closeButton, &PictureButton::clicked, this, &ScheduleDialog::reject);
}

void ScheduleDialog::fillNetworkList()
{
    m_networks = m_services.networks.networks();
    for (const NetworkList::Network &network : std::as_const(m_networks))
        m_networkList->addItem(network.name);
    const qsizetype connected = NetworkList::connectedIndex(m_networks);
    m_networkList->setCurrentIndex(connected >= 0 ? int(connected) : (m_networks.isEmpty() ? -1 : 0));
}

void ScheduleDialog::fillDayList()
{
    for (const char16_t *key : kDayKeys)
        m_dayList->addItem(loadText(key));
}

void ScheduleDialog::fillPlanList(const QUuid &select)
{
    const QSignalBlocker quiet(m_planList);
    m_planList->clear();
    m_plans = loadPowerPlans(m_services.platform).valueOr({});
    const Result<QUuid> active = m_services.platform.activeScheme();
    if (!active) {
        // Without the active plan the store cannot be trusted: nothing is offered.
        m_plans.clear();
        return;
    }
    for (const PowerPlan &plan : std::as_const(m_plans))
        m_planList->addItem(plan.planName);
    m_planList->addItem(u'<' + loadText(u"IDS_CREATE_NEW_PLAN") + u'>');
    if (m_plans.isEmpty()) {
        m_planList->setCurrentIndex(-1);
        return;
    }
    const std::optional<qsizetype> chosen = findPlan(m_plans, select.isNull() ? *active : select);
    const qsizetype index = chosen.value_or(findPlan(m_plans, *active).value_or(0));
    m_planList->setCurrentIndex(int(index));
    m_lastPlan = m_plans.at(index).planGuid;
}

void ScheduleDialog::connectChanges()
{
    connect(m_planList, &QComboBox::currentIndexChanged, this, &ScheduleDialog::onPlanChosen);
    connect(m_typeList, &QComboBox::currentIndexChanged, this, [this] {
        applyType();
        updateChangeState();
    });
    for (QRadioButton *radio : { m_runNow, m_once, m_daily, m_weekly }) {
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            // The radio turned off reports too; one layout for the one turned on is enough.
            if (on)
                applyKindLayout();
            updateChangeState();
        });
    }
    connect(m_timePicker, &QTimeEdit::timeChanged, this, &ScheduleDialog::updateChangeState);
    connect(m_datePicker, &QDateEdit::dateChanged, this, &ScheduleDialog::updateChangeState);
    connect(m_dayList, &CheckComboBox::selectionChanged, this, [this] {
        // Ticking days counts as a change even when the schedule was weekly already.
        m_snapshot.weekly = false;
        updateChangeState();
    });
    connect(m_networkList, &QComboBox::currentIndexChanged, this, &ScheduleDialog::updateChangeState);
    connect(m_onlyOnMains, &QCheckBox::toggled, this, &ScheduleDialog::updateChangeState);
    connect(m_wake, &QCheckBox::toggled, this, [this] {
        showWakeNote();
        updateChangeState();
    });
    connect(m_eventList, &QComboBox::currentIndexChanged, this, [this] {
        applyType();
        updateChangeState();
    });
    connect(m_levelBox, &QSpinBox::valueChanged, this, &ScheduleDialog::updateChangeState);
}

void ScheduleDialog::finishOpening(bool isNew)
{
    if (isNew) {
        if (!m_presetPlan.isNull())
            m_planList->setEnabled(false);
        m_typeList->setCurrentIndex(int(Type::NetworkBased));
    } else {
        m_planList->setEnabled(false);
        m_typeList->setEnabled(false);
    }
    applyType();
    m_snapshot = currentChoices();
    m_opened = m_snapshot;
    // A network or event preselected for a new schedule is already something to save.
    if (isNew) {
        m_snapshot.network = -1;
        m_snapshot.event = -1;
    }
    m_opening = false;
    updateChangeState();
}

void ScheduleDialog::onPlanChosen(int index)
{
    if (index >= 0 && index == m_plans.size())
        createPlan();
    else if (index >= 0 && index < m_plans.size())
        m_lastPlan = m_plans.at(index).planGuid;
    updateChangeState();
}

void ScheduleDialog::createPlan()
{
    // The user is choosing a plan to schedule: a new one is made here and chosen at once.
    const QUuid source = m_services.platform.activeScheme().valueOr(m_lastPlan);
    PlanEditorDialog editor(PlanEditorDialog::Mode::Create, source, m_services, this);
    const bool made = editor.exec() == QDialog::Accepted;
    fillPlanList(made ? editor.plan() : m_lastPlan);
}

void ScheduleDialog::applyType()
{
    const bool timeBased = m_typeList->currentIndex() == int(Type::TimeBased);
    const bool networkBased = m_typeList->currentIndex() == int(Type::NetworkBased);
    const bool powerBased = m_typeList->currentIndex() == int(Type::PowerBased);
    for (QWidget *control : std::initializer_list<QWidget *> { m_runNow, m_once, m_daily, m_weekly, m_timeLabel,
             m_timePicker, m_dateLabel, m_datePicker, m_weekLabel, m_dayList, m_onlyOnMains, m_wake })
        control->setEnabled(timeBased);
    m_networkLabel->setEnabled(networkBased);
    m_networkList->setEnabled(networkBased);
    m_eventLabel->setEnabled(powerBased);
    m_eventList->setEnabled(powerBased);
    const bool level = m_eventList->currentIndex() == int(PowerTrigger::Event::BatteryBelow);
    m_levelLabel->setVisible(level);
    m_levelBox->setVisible(level);
    m_levelLabel->setEnabled(powerBased);
    m_levelBox->setEnabled(powerBased);
    showWakeNote();
}

void ScheduleDialog::applyKindLayout()
{
    if (m_once->isChecked()) {
        m_timeLabel->setGeometry(labelBefore(*m_timeLabel, kFirstPickerLeft));
        m_timePicker->setGeometry(pickerAt(kFirstPickerLeft));
        m_dateLabel->setGeometry(labelBefore(*m_dateLabel, kSecondPickerLeft));
        m_datePicker->setGeometry(pickerAt(kSecondPickerLeft));
        showKindControls(true, true, false);
    } else if (m_daily->isChecked()) {
        m_timeLabel->setGeometry(labelBefore(*m_timeLabel, kDailyPickerLeft));
        m_timePicker->setGeometry(pickerAt(kDailyPickerLeft));
        showKindControls(true, false, false);
    } else if (m_weekly->isChecked()) {
        m_timeLabel->setGeometry(labelBefore(*m_timeLabel, kFirstPickerLeft));
        m_timePicker->setGeometry(pickerAt(kFirstPickerLeft));
        m_weekLabel->setGeometry(labelBefore(*m_weekLabel, kSecondPickerLeft));
        m_dayList->setGeometry(pickerAt(kSecondPickerLeft));
        showKindControls(true, false, true);
    } else {
        showKindControls(false, false, false);
    }
}

void ScheduleDialog::showKindControls(bool time, bool date, bool week)
{
    m_timeLabel->setVisible(time);
    m_timePicker->setVisible(time);
    m_dateLabel->setVisible(date);
    m_datePicker->setVisible(date);
    m_weekLabel->setVisible(week);
    m_dayList->setVisible(week);
}

void ScheduleDialog::selectPlan(const QUuid &plan)
{
    if (const std::optional<qsizetype> index = findPlan(m_plans, plan)) {
        const QSignalBlocker quiet(m_planList);
        m_planList->setCurrentIndex(int(*index));
        m_lastPlan = plan;
    }
}

void ScheduleDialog::loadTimeSchedule(const TimeSchedule &schedule)
{
    m_editedTaskName = schedule.taskName;
    m_editedDefinition = schedule.definition;
    selectPlan(schedule.planGuid);
    // The task itself tells its start exactly; the list's texts stand in when it cannot be read.
    const ScheduleStart start
        = ScheduleStart::of(schedule, m_services.tasks.readTasks().valueOr(QList<RegisteredTask>()));
    switch (start.kind) {
    case PlanTaskWriter::Kind::Once:
        m_once->setChecked(true);
        break;
    case PlanTaskWriter::Kind::Daily:
        m_daily->setChecked(true);
        break;
    case PlanTaskWriter::Kind::Weekly:
        m_weekly->setChecked(true);
        break;
    case PlanTaskWriter::Kind::None:
        break;
    }
    if (start.time.isValid())
        m_timePicker->setTime(start.time);
    if (start.date.isValid()) {
        m_datePicker->setMinimumDate(ScheduleChoices::firstPickableDate(m_now.date(), start.date));
        m_datePicker->setDate(start.date);
    }
    for (int day = 0; day < start.days.size() && day < m_dayList->count(); ++day)
        (void)m_dayList->setCheck(day, start.days.at(day)); // the index is inside the list
    if (schedule.definition) {
        m_onlyOnMains->setChecked(schedule.definition->settings.disallowStartIfOnBatteries);
        m_wake->setChecked(schedule.definition->settings.wakeToRun);
    }
    m_typeList->setCurrentIndex(int(Type::TimeBased));
}

void ScheduleDialog::loadPowerTrigger(const PowerTrigger &schedule)
{
    m_editedTrigger = schedule.id;
    selectPlan(schedule.planGuid);
    m_eventList->setCurrentIndex(int(schedule.event));
    if (schedule.event == PowerTrigger::Event::BatteryBelow)
        m_levelBox->setValue(schedule.threshold);
    m_typeList->setCurrentIndex(int(Type::PowerBased));
}

void ScheduleDialog::loadNetworkSchedule(const NetworkSchedule &schedule)
{
    m_editedNetwork = schedule.networkGuid;
    selectPlan(schedule.planGuid);
    for (qsizetype i = 0; i < m_networks.size(); ++i) {
        if (m_networks.at(i).guid == schedule.networkGuid)
            m_networkList->setCurrentIndex(int(i));
    }
    m_typeList->setCurrentIndex(int(Type::NetworkBased));
}

ScheduleChoices ScheduleDialog::currentChoices() const
{
    ScheduleChoices choices;
    choices.plan = m_planList->currentIndex();
    choices.networkBased = m_typeList->currentIndex() == int(Type::NetworkBased);
    choices.network = m_networkList->currentIndex();
    choices.runNow = m_runNow->isChecked();
    choices.once = m_once->isChecked();
    choices.daily = m_daily->isChecked();
    choices.weekly = m_weekly->isChecked();
    choices.time = m_timePicker->time();
    choices.date = m_datePicker->date();
    for (int day = 0; day < m_dayList->count(); ++day)
        choices.anyDayTicked = choices.anyDayTicked || m_dayList->isChecked(day);
    choices.onlyOnMains = m_onlyOnMains->isChecked();
    choices.wake = m_wake->isChecked();
    choices.powerBased = m_typeList->currentIndex() == int(Type::PowerBased);
    choices.event = m_eventList->currentIndex();
    choices.threshold = m_levelBox->value();
    return choices;
}

void ScheduleDialog::updateChangeState()
{
    if (m_opening)
        return;
    m_changed = ScheduleChoices::changed(currentChoices(), m_snapshot);
    m_scheduleButton->enableButton(m_changed);
}

bool ScheduleDialog::save()
{
    bool done = false;
    if (m_typeList->currentIndex() == int(Type::NetworkBased))
        done = saveNetworkBased();
    else if (m_typeList->currentIndex() == int(Type::PowerBased))
        done = savePowerBased();
    else if (m_runNow->isChecked())
        done = runNow();
    else
        done = saveTimeBased();
    if (!done)
        return false;
    // Run now switches the plan; nothing was scheduled.
    const bool ranNow = m_typeList->currentIndex() == int(Type::TimeBased) && m_runNow->isChecked();
    MessageBox::information(
        this, sharedStrings().messageCaption, loadText(ranNow ? u"IDS_RUN_NOW_OK" : u"IDS_SCHEDULE_OK"));
    m_changed = false;
    accept();
    return true;
}

bool ScheduleDialog::saveNetworkBased()
{
    const std::optional<PowerPlan> plan = selectedPlan();
    if (!plan) {
        showError(ScheduleChoices::noPlanText());
        return false;
    }
    const int index = m_networkList->currentIndex();
    if (index < 0 || index >= m_networks.size())
        return false;
    const NetworkList::Network &network = m_networks.at(index);
    // The edited schedule is looked up by its network now, under the file's lock, whatever
    // happened to the file since the dialog opened.
    const Result<QList<NetworkSchedule>> written
        = saveNetworkSchedule(m_services.platform, network, *plan, m_editedNetwork);
    if (!written) {
        showError(ScheduleChoices::networkFailureText(written.failure()));
        return false;
    }
    if (m_editedNetwork)
        m_editedNetwork = network.guid;
    Q_EMIT saved();
    return true;
}

bool ScheduleDialog::savePowerBased()
{
    const std::optional<PowerPlan> plan = selectedPlan();
    if (!plan) {
        showError(ScheduleChoices::noPlanText());
        return false;
    }
    const auto event = PowerTrigger::Event(qBound(0, m_eventList->currentIndex(), 3));
    // The edited schedule is looked up by its id now, under the file's lock.
    const Result<QUuid> written
        = PowerTriggerFile::save(m_services.platform, *plan, event, m_levelBox->value(), m_editedTrigger);
    if (!written) {
        showError(ScheduleChoices::powerFailureText(written.failure()));
        return false;
    }
    Q_EMIT saved();
    return true;
}

bool ScheduleDialog::runNow()
{
    const std::optional<PowerPlan> plan = selectedPlan();
    if (!plan) {
        showError(ScheduleChoices::noPlanText());
        return false;
    }
    if (const Result<> switched = m_services.platform.setActiveScheme(plan->planGuid); !switched) {
        showError(switched.failure().message);
        return false;
    }
    return true;
}

bool ScheduleDialog::saveTimeBased()
{
    PlanTaskWriter::Choice choice;
    choice.planIndex = m_planList->currentIndex();
    choice.kind = selectedKind();
    choice.date = m_datePicker->date();
    choice.time = m_timePicker->time();
    for (int day = 0; day < m_dayList->count(); ++day)
        choice.days.append(m_dayList->isChecked(day));
    choice.editedTaskName = m_editedTaskName;
    choice.editedDefinition = m_editedDefinition;
    choice.onlyOnMains = m_onlyOnMains->isChecked();
    choice.wakeToRun = m_wake->isChecked();

    PlanTaskWriter writer(m_services.tasks, sharedStrings().executableFile);
    // The user manager reloads every timer it has: on a worker, while this dialog keeps painting.
    PleaseWaitDialog pleaseWait(this);
    const PlanTaskWriter::Outcome outcome
        = BusyWork::run<PlanTaskWriter::Outcome>(&pleaseWait, [&] { return writer.write(choice, m_plans); });
    if (outcome != PlanTaskWriter::Outcome::Registered) {
        // Unlike a scheduler that accepts every task and fails later, the task service here says
        // at once when it refuses a task; that is reported, since nothing was scheduled (an
        // edited schedule stays as it was, and so does one that took its name meanwhile).
        showError(ScheduleChoices::writeFailureText(outcome, writer.registrationFailure()));
        return false;
    }
    Q_EMIT saved();
    return true;
}

std::optional<PowerPlan> ScheduleDialog::selectedPlan() const
{
    const int index = m_planList->currentIndex();
    if (index < 0 || index >= m_plans.size())
        return std::nullopt;
    return m_plans.at(index);
}

PlanTaskWriter::Kind ScheduleDialog::selectedKind() const
{
    if (m_once->isChecked())
        return PlanTaskWriter::Kind::Once;
    if (m_daily->isChecked())
        return PlanTaskWriter::Kind::Daily;
    if (m_weekly->isChecked())
        return PlanTaskWriter::Kind::Weekly;
    return PlanTaskWriter::Kind::None;
}

bool ScheduleDialog::hasUnsavedChanges() const
{
    return m_changed && !(currentChoices() == m_opened);
}

void ScheduleDialog::saveAndClose()
{
    save();
}

void ScheduleDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter in a list, picker or radio button schedules, as the Schedule button would; the
    // buttons take their own Enter.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (m_scheduleButton->isEnabled())
            save();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ScheduleDialog::showError(const QString &text)
{
    MessageBox::error(this, sharedStrings().messageCaption, text);
}

void ScheduleDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    painter.setPen(Qt::black);
    const int selectEnd = drawDialogHeading(painter, 20, 30, loadText(u"IDS_SELECT_PLAN"));
    drawDialogHeading(painter, 50, 70, loadText(u"IDS_POWER_PLAN"));
    drawDialogHeading(painter, 50, 120, loadText(u"IDS_SCHEDULE_TYPE"));
    const int timeEnd = drawDialogHeading(painter, 20, 180, loadText(u"IDS_TIME_BASED"));
    const int networkEnd = drawDialogHeading(painter, 20, kNetworkHeadingTop, loadText(u"IDS_NETWORK_BASED"));
    const int powerEnd = drawDialogHeading(painter, 20, kPowerHeadingTop, loadText(u"IDS_POWER_BASED"));

    drawHeadingRule(painter, 100, selectEnd, 40, 720);
    drawHeadingRule(painter, 120, timeEnd, 190, 720);
    drawHeadingRule(painter, 140, networkEnd, kNetworkHeadingTop + 10, 720);
    drawHeadingRule(painter, 140, powerEnd, kPowerHeadingTop + 10, 720);
}
