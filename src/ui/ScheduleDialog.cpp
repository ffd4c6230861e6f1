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
#include "Profile.h"
#include "SharedStrings.h"
#include "TaskService.h"
#include "UiFonts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QRadioButton>
#include <QTimeEdit>
#include <utility>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

constexpr int kDialogPointSize = 10;
constexpr QSize kDialogSize(750, 500);

constexpr QRect kPlanList(200, 66, 300, 25);
constexpr QRect kTypeList(200, 116, 300, 25);
constexpr int kRadioTop = 210;
constexpr QSize kRadioSize(100, 20);
constexpr int kRunNowLeft = 100;
constexpr int kOnceLeft = 250;
constexpr int kDailyLeft = 400;
constexpr int kWeeklyLeft = 550;
constexpr QRect kNetworkLabel(180, 362, 110, 23);
constexpr QRect kNetworkList(300, 360, 175, 25);
constexpr QRect kScheduleButton(510, 420, 104, 26);
constexpr QRect kCloseButton(620, 420, 104, 26);

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
        { m_networkList, u"networkList"_s }, { m_scheduleButton, u"scheduleButton"_s },
        { m_closeButton, u"closeButton"_s } };
    for (const auto &[control, name] : names)
        control->setObjectName(name);
}

void ScheduleDialog::createControls()
{
    m_planList = new FocusMarked<QComboBox>(this);
    m_planList->setGeometry(kPlanList);
    m_typeList = new FocusMarked<QComboBox>(this);
    m_typeList->setGeometry(kTypeList);
    m_typeList->addItems({ loadText(u"IDS_TIME_BASED"), loadText(u"IDS_NETWORK_BASED") });

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

    m_networkLabel = new QLabel(loadText(u"IDS_SEL_NETWORK"), this);
    m_networkLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_networkLabel->setGeometry(kNetworkLabel);
    m_networkList = new FocusMarked<QComboBox>(this);
    m_networkList->setGeometry(kNetworkList);

    showKindControls(false, false, false);
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
    // A network preselected for a new schedule is already something to save.
    if (isNew)
        m_snapshot.network = -1;
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
    for (QWidget *control : std::initializer_list<QWidget *> { m_runNow, m_once, m_daily, m_weekly, m_timeLabel,
             m_timePicker, m_dateLabel, m_datePicker, m_weekLabel, m_dayList })
        control->setEnabled(timeBased);
    m_networkLabel->setEnabled(!timeBased);
    m_networkList->setEnabled(!timeBased);
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
    m_typeList->setCurrentIndex(int(Type::TimeBased));
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
    const int networkEnd = drawDialogHeading(painter, 20, 310, loadText(u"IDS_NETWORK_BASED"));

    drawHeadingRule(painter, 100, selectEnd, 40, 720);
    drawHeadingRule(painter, 120, timeEnd, 190, 720);
    drawHeadingRule(painter, 140, networkEnd, 320, 720);
}
