// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanEditorDialog.h"

#include "CapabilityReader.h"
#include "DialogButton.h"
#include "DialogPainting.h"
#include "FocusMarked.h"
#include "MessageBox.h"
#include "MinutesSpinBox.h"
#include "PictureButton.h"
#include "PlanEditing.h"
#include "PlanFollower.h"
#include "PleaseWaitDialog.h"
#include "PowerPlatform.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "UDisksDiskApplier.h"
#include "UiFonts.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QToolTip>
#include <QtConcurrent>

using ApplySetting::settingRow;
using DiskReports::driveReportText;

using Outcomes::outcomeText;
using PlanEditing::activateAgainIfActive;
using PlanEditing::checkPlanName;
using PlanEditing::createPlan;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanName;
using PlanSettings::readPlanSettings;
using PlanSettings::storedValues;
using PowerSettings::powerSettingRows;
using Profile::formatText;
using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

constexpr int kDialogPointSize = 10;
constexpr int kFirstY = 50;
constexpr int kHeadingStep = 80;
constexpr int kFirstRowStep = 70;
constexpr int kRowStep = 35;
// Rows 1 to 3 of the settings table (buttons and lid) form the first group.
constexpr int kFirstGroupRows = 3;

constexpr QRect kNameBox(150, 46, 350, 24);
constexpr int kHeadingLeft[] = { 320, 620 };
constexpr int kHeadingWidth = 110;
constexpr int kLabelLeft = 35;
// Up to the controls: the labels' English needs the room ("Put the computer to sleep after").
constexpr int kLabelWidth = 215;
constexpr int kLabelHeight = 16;
constexpr int kColumnLeft[] = { 250, 550 };
constexpr int kControlWidth = 250;
constexpr int kControlRaise = 4;
constexpr int kFieldHeight = 25;
constexpr int kSliderHeight = 29;
// The outcome lines sit in the free space under the labels, clear of the next row.
constexpr int kOutcomePointSize = 8;
constexpr int kOutcomeGap = 1;
constexpr int kOutcomeHeight = 15;
// A cut line's ellipsis would otherwise touch the control beside it.
constexpr int kOutcomeRightMargin = 8;
// Both readable on the white dialog, the grey no darker than the label above it; red only for
// what did not take effect and needs the user.
const QColor kOutcomeColour(0x76, 0x76, 0x76);
const QColor kOutcomeTroubleColour(0xA0, 0x10, 0x10);

constexpr int kButtonsLeftWithBattery = 590;
constexpr int kButtonsLeftWithout = 290;
constexpr int kButtonStep = 110;
constexpr int kButtonOffset = 20;
constexpr int kWideButtonOffset = -40;
constexpr int kButtonRight = 124;
constexpr int kButtonHeight = 26;
constexpr int kRightMargin = 40;
constexpr int kBottomMargin = 80;

constexpr int kSaveId = 1;
constexpr int kCloseId = 2;
constexpr int kDiskId = 3;
constexpr int kDiskButtonWidth = 164;
constexpr int kLabelId = 519;

// The row pictures, in the order of the settings table.
constexpr PictureId kRowPictures[] = { PictureId::PowerButton, PictureId::Sleep, PictureId::LidClose,
    PictureId::DisplayDim, PictureId::DisplayOff, PictureId::HardDisk, PictureId::Sleep, PictureId::Hibernate,
    PictureId::LockOnWake, PictureId::Brightness, PictureId::PerformanceProfile };

qsizetype tableIndex(const PowerSettingRow &row)
{
    return &row - powerSettingRows().data();
}

QStringList listEntries(SettingKind kind)
{
    if (kind == SettingKind::Lock)
        return { loadText(u"IDS_UNLOCK"), loadText(u"IDS_LOCK") };
    if (kind == SettingKind::Profile)
        return { loadText(u"IDS_PROFILE_POWER_SAVER"), loadText(u"IDS_PROFILE_BALANCED"),
            loadText(u"IDS_PROFILE_PERFORMANCE") };
    return { loadText(u"IDS_DO_NOTHING"), loadText(u"IDS_SLEEP"), loadText(u"IDS_HIBERNATE"),
        loadText(u"IDS_SHUT_DOWN") };
}

PictureButton *labelButton(QWidget *parent, const QString &caption, PictureId picture, const QRect &rect)
{
    auto *label = new PictureButton(kLabelId, parent);
    label->setPictures(picture, picture, picture, picture);
    label->setCaption(caption);
    label->setCaptionBeside(true);
    label->setGeometry(rect);
    label->setCursor(Qt::ArrowCursor);
    // Display only: never focused, never clicked.
    label->enableButton(false);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

// Tests find a row's controls by its short name: "lid/dc" is the lid's list for battery power,
// "lid/label" its label, "lid/outcome" the line under the label.
QString rowName(const PowerSettingRow &row, QStringView part)
{
    return row.name.toString() + u'/' + part.toString();
}

QString controlName(const PlanSettingValue &value)
{
    return rowName(*value.row, value.source == PowerSource::Ac ? u"ac" : u"dc");
}

QString outcomeLineText(const SettingReport &report)
{
    const QString outcome = outcomeText(report.outcome);
    return report.detail.isEmpty() ? outcome : outcome + u": "_s + report.detail;
}

void setOutcome(QLabel *line, const SettingReport &report)
{
    const QString text = outcomeLineText(report);
    line->setText(line->fontMetrics().elidedText(text, Qt::ElideRight, line->width()));
    line->setToolTip(text);
    line->setAccessibleName(text);
    const bool trouble = report.outcome == Outcome::Failed || report.outcome == Outcome::NeedsAdministrator;
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, trouble ? kOutcomeTroubleColour : kOutcomeColour);
    line->setPalette(palette);
}

bool isDiskRow(const PowerSettingRow *row)
{
    return row == &settingRow(Setting::DiskOff);
}

} // namespace

struct PlanEditorDialog::DiskOutcome
{
    SettingReport report;
    QList<DriveReport> drives;
};

PlanEditorDialog::PlanEditorDialog(
    Mode mode, const QUuid &plan, const Services &services, QWidget *parent, PlanFollower *follower)
    : UnsavedChangesDialog(parent)
    , m_mode(mode)
    , m_plan(plan)
    , m_services(services)
    , m_readOnly(mode == Mode::Edit && services.platform.isSystemScheme(plan))
    , m_showsOutcomes(mode == Mode::Edit && follower)
    , m_follower(follower)
{
    setFont(uiFont(kDialogPointSize));
    setPalette(whiteDialogPalette());
    setAutoFillBackground(true);

    m_y = kFirstY;
    m_nameBox = new FocusMarked<QLineEdit>(this);
    m_nameBox->setObjectName(u"nameBox"_s);
    m_nameBox->setGeometry(kNameBox);
    m_nameBox->setMaxLength(int(kMaxPlanNameLength));

    const PlanCapabilities capabilities = readCapabilities();
    m_y += kHeadingStep;
    createHeadings(capabilities.batteries);
    m_y += kFirstRowStep;
    createRows(readPlanSettings(m_services.platform, m_plan, capabilities), capabilities.batteries);
    createButtons(capabilities.batteries);

    setWindowTitle(loadText(mode == Mode::Edit ? u"IDS_EDIT_POWER_PLAN" : u"IDS_CREATE_POWER_PLAN"));
    setFixedSize(m_layoutRight + kRightMargin, m_y + kBottomMargin);

    if (mode == Mode::Edit)
        m_nameBox->setText(m_services.platform.friendlyName(m_plan).valueOr({}));
    // What filling the controls did is no change of the user's.
    connectChanges();
    setUnsaved(false);
    if (m_readOnly)
        showReadOnly();

    if (m_showsOutcomes) {
        // Lines stay hidden until a status for this plan arrives: activating this plan elsewhere
        // while the dialog is open shows them, activating another hides them.
        if (follower->lastStatus())
            showOutcomes(*follower->lastStatus());
        connect(follower, &PlanFollower::applied, this, &PlanEditorDialog::showOutcomes);
    }
}

PlanEditorDialog::~PlanEditorDialog()
{
    if (m_diskApply.isRunning())
        m_diskApply.waitForFinished();
}

PlanCapabilities PlanEditorDialog::readCapabilities()
{
    const Result<PlanCapabilities> read = m_services.capabilities.read();
    if (read)
        return *read;
    // Nothing is known of this machine: only the settings every machine has are offered.
    showError(read.failure().message);
    return {};
}

void PlanEditorDialog::createHeadings(bool batteries)
{
    const QRect line(0, m_y, kHeadingWidth, kLabelHeight);
    labelButton(this, loadText(u"IDS_PLUGGED_IN"), PictureId::PluggedIn, line.translated(kHeadingLeft[0], 0));
    if (batteries)
        labelButton(this, loadText(u"IDS_RUN_BATTERY"), PictureId::OnBattery, line.translated(kHeadingLeft[1], 0));
}

void PlanEditorDialog::createRows(const QList<PlanSettingValue> &values, bool batteries)
{
    // The values come row by row, the mains value first and then, with batteries, the battery one.
    const PowerSettingRow *previousRow = nullptr;
    bool firstGroupClosed = false;
    for (const PlanSettingValue &value : values) {
        const PowerSettingRow &row = *value.row;
        if (&row != previousRow) {
            if (previousRow)
                m_y += kRowStep;
            if (isDiskRow(previousRow) && m_mode == Mode::Edit)
                createDiskButton();
            if (!firstGroupClosed && tableIndex(row) >= kFirstGroupRows) {
                m_groupLine = m_y;
                m_y += kRowStep;
                firstGroupClosed = true;
            }
            createRowLabel(row);
            previousRow = &row;
        }
        const int column = value.source == PowerSource::Ac || !batteries ? 0 : 1;
        m_controls.append(createControl(value, kColumnLeft[column]));
    }
    if (previousRow)
        m_y += kRowStep;
    if (isDiskRow(previousRow) && m_mode == Mode::Edit)
        createDiskButton();
    if (!firstGroupClosed) {
        m_groupLine = m_y;
        m_y += kRowStep;
    }
}

void PlanEditorDialog::createRowLabel(const PowerSettingRow &row)
{
    const QRect rect(kLabelLeft, m_y, kLabelWidth, kLabelHeight);
    PictureButton *label = labelButton(this, loadText(row.labelKey.toString()), kRowPictures[tableIndex(row)], rect);
    label->setObjectName(rowName(row, u"label"));
    if (m_showsOutcomes)
        createOutcomeLine(row);
}

void PlanEditorDialog::createOutcomeLine(const PowerSettingRow &row)
{
    auto *line = new QLabel(this);
    line->setObjectName(rowName(row, u"outcome"));
    line->setFont(uiFont(kOutcomePointSize));
    line->setGeometry(kLabelLeft, m_y + kLabelHeight + kOutcomeGap, kLabelWidth - kOutcomeRightMargin, kOutcomeHeight);
    line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    line->hide();
    m_outcomeLines[tableIndex(row)] = line;
}

void PlanEditorDialog::showOutcomes(const ApplyStatus &status)
{
    for (int index = 0; index < kSettingCount; ++index) {
        QLabel *line = m_outcomeLines[index];
        if (!line)
            continue;
        const std::optional<SettingReport> report
            = status.plan == m_plan ? status.reportFor(static_cast<Setting>(index)) : std::nullopt;
        if (report)
            setOutcome(line, *report);
        line->setVisible(report.has_value());
    }
    if (m_diskButton && !m_diskApply.isRunning())
        m_diskButton->enableButton(status.plan == m_plan);
}

void PlanEditorDialog::createDiskButton()
{
    // On a line of its own under the disk row's values.
    m_diskButton = addDialogButton(this, kDiskId, loadText(u"IDS_APPLY_TO_DISKS"),
        QRect(kColumnLeft[0], m_y - kControlRaise, kDiskButtonWidth, kButtonHeight), DialogButtonFace::Wide);
    m_diskButton->setObjectName(rowName(settingRow(Setting::DiskOff), u"apply"));
    m_diskButton->setToolTip(loadText(u"IDS_APPLY_TO_DISKS_TIP"));
    // Only the plan in force is applied: enabled once the running copy's status for this plan
    // arrives. Placed without one too, so the window keeps its size.
    m_diskButton->enableButton(false);
    m_y += kRowStep;
    connect(m_diskButton, &PictureButton::clicked, this, &PlanEditorDialog::applyToDisks);
    connect(&m_diskApply, &QFutureWatcher<std::shared_ptr<DiskOutcome>>::finished, this,
        &PlanEditorDialog::showDiskOutcome);
}

void PlanEditorDialog::applyToDisks()
{
    if (!m_follower || m_diskApply.isRunning() || !m_follower->lastStatus() || m_follower->lastStatus()->plan != m_plan)
        return;
    const ApplyStatus &status = *m_follower->lastStatus();
    // The saved values, as they are in force; the source the plan was last applied on.
    const ApplyRequest request { PlanValues::read(m_services.platform, m_plan), status.source,
        ApplyReason::Activation };
    if (!m_diskWait)
        m_diskWait = new PleaseWaitDialog(this);
    // The window stays painted and polkit's password window can show while the user waits.
    m_diskWait->setWindowModality(Qt::WindowModal);
    m_diskWait->show();
    m_diskButton->enableButton(false);
    m_diskApply.setFuture(QtConcurrent::run([request] {
        auto outcome = std::make_shared<DiskOutcome>();
        UDisksDiskApplier disks(QDBusConnection::systemBus());
        outcome->report = disks.apply(request, { Setting::DiskOff }).value(0);
        outcome->drives = disks.driveReports();
        return outcome;
    }));
}

void PlanEditorDialog::showDiskOutcome()
{
    m_diskWait->hide();
    m_diskButton->enableButton(true);
    const std::shared_ptr<DiskOutcome> outcome = m_diskApply.result();
    if (QLabel *line = m_outcomeLines[static_cast<int>(Setting::DiskOff)]) {
        setOutcome(line, outcome->report);
        line->show();
    }
    // What ampctl status and the next opening of this window show, until the plan is applied again.
    if (std::optional<ApplyStatus> status = m_follower->lastStatus(); status && status->plan == m_plan) {
        for (SettingReport &kept : status->reports) {
            if (kept.setting == Setting::DiskOff)
                kept = outcome->report;
        }
        (void)status->save();
    }
    QStringList lines;
    for (const DriveReport &drive : outcome->drives)
        lines.append(driveReportText(drive));
    if (lines.isEmpty())
        lines.append(outcomeLineText(outcome->report));
    const QString text = formatText(loadText(u"IDS_DISKS_APPLIED"), u"\n"_s + lines.join(u'\n'));
    const bool done = outcome->report.outcome == Outcome::Applied || outcome->report.outcome == Outcome::Approximated;
    if (done)
        MessageBox::information(this, sharedStrings().messageCaption, text);
    else
        MessageBox::error(this, sharedStrings().messageCaption, text);
}

PlanEditorDialog::SettingControl PlanEditorDialog::createControl(const PlanSettingValue &value, int left)
{
    SettingControl control { value, nullptr, nullptr, nullptr, nullptr };
    const int top = m_y - kControlRaise;
    switch (value.row->kind) {
    case SettingKind::Action:
    case SettingKind::Lock:
    case SettingKind::Profile:
        control.list = new FocusMarked<QComboBox>(this);
        control.list->addItems(listEntries(value.row->kind));
        control.list->setGeometry(left, top, kControlWidth, kFieldHeight);
        control.list->setCurrentIndex(value.shown.selection.value_or(-1));
        control.list->setObjectName(controlName(value));
        break;
    case SettingKind::Timeout:
        control.field = new FocusMarked<QLineEdit>(this);
        control.field->setReadOnly(true);
        control.field->setGeometry(left, top, kControlWidth, kFieldHeight);
        control.field->setObjectName(controlName(value));
        control.spin = new MinutesSpinBox(this);
        control.spin->setRange(0, kMaxTimeoutMinutes);
        control.spin->setBuddy(control.field);
        control.spin->setValue(value.shown.number);
        control.spin->setObjectName(controlName(value) + u"/steps"_s);
        break;
    case SettingKind::Brightness:
        control.slider = new FocusMarked<QSlider>(Qt::Horizontal, this);
        control.slider->setRange(0, kMaxBrightness);
        control.slider->setGeometry(left, top, kControlWidth, kSliderHeight);
        control.slider->setValue(value.shown.number);
        control.slider->setToolTip(QString::number(control.slider->value()));
        control.slider->setObjectName(controlName(value));
        break;
    }
    control.locked = m_services.platform.lockedValue(value.source, value.row->subgroup, value.row->setting).has_value();
    if (control.locked) {
        const QString tip = loadText(u"IDS_LOCKED_SETTING_TIP");
        for (QWidget *widget : widgetsOf(control)) {
            widget->setEnabled(false);
            widget->setToolTip(tip);
        }
    }
    return control;
}

void PlanEditorDialog::createButtons(bool batteries)
{
    m_y += kRowStep;
    m_buttonTop = m_y;
    int x = batteries ? kButtonsLeftWithBattery : kButtonsLeftWithout;
    const bool wide = m_mode == Mode::Create;

    const QString saveCaption = loadText(wide ? u"IDS_CREATE_AND_SCHEDULE" : u"IDS_SAVE");
    const int saveLeft = x + (wide ? kWideButtonOffset : kButtonOffset);
    m_saveButton
        = addDialogButton(this, kSaveId, saveCaption, QRect(saveLeft, m_y, x + kButtonRight - saveLeft, kButtonHeight),
            wide ? DialogButtonFace::Wide : DialogButtonFace::Normal);
    m_saveButton->setObjectName(u"saveButton"_s);
    x += kButtonStep;
    m_closeButton = addDialogButton(this, kCloseId, loadText(u"IDS_CLOSE"),
        QRect(x + kButtonOffset, m_y, kButtonRight - kButtonOffset, kButtonHeight));
    m_closeButton->setObjectName(u"closeButton"_s);
    x += kButtonStep;
    m_layoutRight = x;

    connect(m_saveButton, &PictureButton::clicked, this, [this] { save(); });
    connect(m_closeButton, &PictureButton::clicked, this, &PlanEditorDialog::reject);
}

void PlanEditorDialog::connectChanges()
{
    connect(m_nameBox, &QLineEdit::textChanged, this, &PlanEditorDialog::onChange);
    for (const SettingControl &control : std::as_const(m_controls)) {
        if (control.list)
            connect(control.list, &QComboBox::currentIndexChanged, this, &PlanEditorDialog::onChange);
        if (control.spin)
            connect(control.spin, &MinutesSpinBox::valueChanged, this, &PlanEditorDialog::onChange);
        if (QSlider *slider = control.slider) {
            connect(slider, &QSlider::valueChanged, this, [this, slider](int value) {
                slider->setToolTip(QString::number(value));
                if (slider->isSliderDown())
                    QToolTip::showText(QCursor::pos(), slider->toolTip(), slider);
                onChange();
            });
        }
    }
}

void PlanEditorDialog::onChange()
{
    // Without a name there is nothing that could be saved.
    setUnsaved(!m_nameBox->text().isEmpty());
}

void PlanEditorDialog::setUnsaved(bool unsaved)
{
    m_unsaved = unsaved && !m_readOnly;
    m_saveButton->enableButton(m_unsaved);
}

QList<QWidget *> PlanEditorDialog::widgetsOf(const SettingControl &control)
{
    QList<QWidget *> widgets;
    for (QWidget *widget :
        std::initializer_list<QWidget *> { control.list, control.field, control.spin, control.slider }) {
        if (widget)
            widgets.append(widget);
    }
    return widgets;
}

void PlanEditorDialog::showReadOnly()
{
    m_nameBox->setReadOnly(true);
    m_nameBox->setToolTip(loadText(u"IDS_SYSTEM_PLAN_TIP"));
    for (const SettingControl &control : std::as_const(m_controls)) {
        for (QWidget *widget : widgetsOf(control))
            widget->setEnabled(false);
    }
}

QList<PlanSettingValue> PlanEditorDialog::shownValues() const
{
    QList<PlanSettingValue> values;
    values.reserve(m_controls.size());
    for (const SettingControl &control : m_controls) {
        if (control.locked)
            continue; // the plan keeps its own value beneath the lock
        PlanSettingValue value = control.value;
        if (control.list)
            value.shown.selection = control.list->currentIndex();
        else if (control.spin)
            value.shown.number = control.spin->value();
        else if (control.slider)
            value.shown.number = control.slider->value();
        values.append(value);
    }
    return values;
}

bool PlanEditorDialog::save()
{
    if (m_readOnly)
        return false;
    const QString name = planNameOf(m_nameBox->text());
    PowerPlatform &platform = m_services.platform;
    // The same rule the store applies; these are only its words for the window. A name another
    // plan has is the store's to find, under its lock, among every plan (AlreadyExists).
    switch (checkPlanName({}, name)) {
    case PlanNameCheck::Usable:
        break;
    case PlanNameCheck::Empty:
        showError(loadText(u"IDS_NO_NAME_ERROR"));
        return false;
    case PlanNameCheck::Taken:
        showError(loadText(u"IDS_INVALID_NAME_ERROR"));
        return false;
    case PlanNameCheck::LineBreak:
    case PlanNameCheck::ControlCharacter:
        showError(loadText(u"IDS_NAME_CHARACTERS_ERROR"));
        return false;
    case PlanNameCheck::TooLong:
        return refuseSave(refusePlanName({}, name).failure());
    }
    // Name and values in one change: a save that cannot be made leaves the plan as it was.
    const QList<SchemeChanges::Value> values = storedValues(shownValues());
    if (m_mode == Mode::Create) {
        const Result<QUuid> created = createPlan(platform, m_plan, name, values);
        if (!created)
            return refuseSave(created.failure());
        m_plan = *created;
    } else {
        SchemeChanges changes;
        changes.plans.append({ m_plan, std::nullopt, name, std::nullopt, values });
        if (const Result<> changed = platform.changeSchemes(changes); !changed)
            return refuseSave(changed.failure());
    }
    // The active plan's new values take effect only when it is activated again. If that fails
    // the values are written but not in force: the dialog stays, Save still enabled.
    if (m_mode == Mode::Edit && !activateAgainIfActive(platform, m_plan))
        return false;

    Q_EMIT saved();
    MessageBox::information(this, sharedStrings().messageCaption, loadText(u"IDS_PLAN_OK"));
    setUnsaved(false);
    accept();
    return true;
}

bool PlanEditorDialog::refuseSave(const Failure &failure)
{
    if (failure.kind == Failure::Kind::AlreadyExists)
        showError(loadText(u"IDS_INVALID_NAME_ERROR")); // another process took the name meanwhile
    else if (failure.kind == Failure::Kind::NotFound)
        showError(loadText(u"IDS_PLAN_GONE_ERROR"));
    else
        showError(formatText(loadText(u"IDS_PLAN_SAVE_ERROR"), failure.message));
    return false;
}

void PlanEditorDialog::saveAndClose()
{
    save();
}

void PlanEditorDialog::showError(const QString &text)
{
    MessageBox::error(this, sharedStrings().messageCaption, text);
}

void PlanEditorDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int right = m_layoutRight;
    const int bottom = m_buttonTop - kRowStep;

    // The band behind the column headings and a frame round the settings.
    painter.fillRect(QRect(QPoint(15, 123), QPoint(right + 14, 152)), kDialogRuleColour);
    painter.fillRect(QRect(QPoint(15, 153), QPoint(16, bottom - 1)), kDialogRuleColour);
    painter.fillRect(QRect(QPoint(right + 13, 153), QPoint(right + 14, bottom - 1)), kDialogRuleColour);
    painter.fillRect(QRect(QPoint(15, bottom), QPoint(right + 14, bottom + 1)), kDialogRuleColour);

    painter.setFont(font());
    painter.setPen(Qt::black);
    const int selectEnd = drawDialogHeading(painter, 20, 20, loadText(u"IDS_SELECT_PLAN"));
    drawDialogHeading(painter, 50, 50, loadText(u"IDS_POWER_PLAN"));
    const int settingsEnd = drawDialogHeading(painter, 20, 100, loadText(u"IDS_POWER_SETTINGS"));
    const int commonEnd = drawDialogHeading(painter, 50, 167, loadText(u"IDS_COMMON_SETTINGS"));
    const int uniqueEnd = drawDialogHeading(painter, 50, m_groupLine, loadText(u"IDS_UNIQUE_POWER_SETTINGS"));

    drawHeadingRule(painter, 100, selectEnd, 30, right);
    drawHeadingRule(painter, 120, settingsEnd, 110, right);
    drawHeadingRule(painter, 160, commonEnd, 177, right - 30);
    drawHeadingRule(painter, 190, uniqueEnd, m_groupLine + 10, right - 30);
}
