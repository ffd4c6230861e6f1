// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsDialog.h"

#include "CapabilityReader.h"
#include "DialogButton.h"
#include "DialogPainting.h"
#include "FocusMarked.h"
#include "LogonTask.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "UiFonts.h"

#include <QCheckBox>
#include <QTimer>
#include <algorithm>

using Profile::loadText;
using Profile::readSetting;
using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

struct OptionRow
{
    const char16_t *labelKey;
    const QString &settingKey;
    const char16_t *objectName; // tests find the box by it
};

// In the order of the dialog and of writing. Three options keep another key in the file than
// their label's.
const OptionRow kOptionRows[SettingsDialog::kOptionCount] = {
    { u"IDS_RUN_ON_STARTUP", SettingKey::RunOnStartup, u"runAtLogon" },
    { u"IDS_RUN_MINIMIZED", SettingKey::RunMinimize, u"startHidden" },
    { u"IDS_CLOSE_TO_SYSTEM_TRAY", SettingKey::CloseToTray, u"closeToTray" },
    { u"IDS_AUTO_MANAGE", SettingKey::AutoManage, u"manageAutomatically" },
    { u"IDS_NOTIFY_ON_POWER_CHANGE", SettingKey::NotifyPlanChanges, u"notifyPlanChanges" },
    { u"IDS_NOTIFY_ON_BATTERY_CHANGES", SettingKey::NotifyBatteryChanges, u"notifyBatteryChanges" },
};

constexpr int kOptionLeft = 50;
constexpr int kFirstOptionTop = 30;
constexpr int kOptionStep = 30;
constexpr QSize kOptionSize(450, 20);
constexpr int kMarkRoom = 4;
constexpr int kButtonsTopWithBatteryOption = 220;
constexpr int kButtonsTopWithout = 200;
constexpr int kDialogWidth = 550;
constexpr int kBottomMargin = 80;

constexpr int kApplyId = 1;
constexpr int kCloseId = 2;
constexpr int kLoadDefaultId = 538;

const QString kTrue = u"TRUE"_s;
const QString kFalse = u"FALSE"_s;
const QString kHiddenStart = u"-hideme"_s;

} // namespace

SettingsDialog::SettingsDialog(const Services &services, QWidget *parent)
    : UnsavedChangesDialog(parent)
    , m_services(services)
{
    setFont(uiFont(10));
    setWindowTitle(loadText(u"IDS_SETTINGS"));
    setPalette(whiteDialogPalette());
    setAutoFillBackground(true);

    int widest = 0;
    for (int i = 0; i < kOptionCount; ++i) {
        // The style marks a check box's focus faintly or only after a key press; the program's
        // mark hugs the label, so a box is only as wide as its text needs.
        auto *box = new FocusMarked<QCheckBox>(loadText(kOptionRows[i].labelKey), this);
        // A text longer than the row (a large font, a long translation) widens the dialog instead
        // of being cut.
        const QSize size(box->sizeHint().width() + kMarkRoom, std::max(kOptionSize.height(), box->sizeHint().height()));
        widest = std::max(widest, size.width());
        box->setGeometry(QRect(QPoint(kOptionLeft, kFirstOptionTop + i * kOptionStep), size));
        box->setObjectName(QString::fromUtf16(kOptionRows[i].objectName));
        connect(box, &QCheckBox::clicked, this, [this, i] { onOptionClicked(Option(i)); });
        m_options[i] = box;
    }
    const bool batteryOption = showsBatteryOption();
    m_options[NotifyBatteryChanges]->setVisible(batteryOption);
    const int top = batteryOption ? kButtonsTopWithBatteryOption : kButtonsTopWithout;

    const int extra = std::max(0, widest - kOptionSize.width());
    m_loadDefaultButton
        = addDialogButton(this, kLoadDefaultId, loadText(u"IDS_LOAD_DEFAULT"), QRect(200 + extra, top, 104, 26));
    m_applyButton = addDialogButton(this, kApplyId, loadText(u"IDS_APPLY"), QRect(310 + extra, top, 104, 26));
    m_closeButton = addDialogButton(this, kCloseId, loadText(u"IDS_CLOSE"), QRect(420 + extra, top, 104, 26));
    m_loadDefaultButton->setObjectName(u"loadDefaultButton"_s);
    m_applyButton->setObjectName(u"applyButton"_s);
    m_closeButton->setObjectName(u"closeButton"_s);
    connect(m_loadDefaultButton, &PictureButton::clicked, this, &SettingsDialog::loadDefaults);
    connect(m_applyButton, &PictureButton::clicked, this, &SettingsDialog::apply);
    connect(m_closeButton, &PictureButton::clicked, this, &SettingsDialog::reject);

    readOptions();
    setUnsaved(false);
    updateLoadDefault();
    setFixedSize(kDialogWidth + extra, top + kBottomMargin);
}

bool SettingsDialog::showsBatteryOption()
{
    const Result<PlanCapabilities> capabilities = m_services.capabilities.read();
    if (capabilities)
        return capabilities->sleepButton;
    // Nothing is known of this machine: the option stays offered, as it does no harm. The reason
    // is told over the dialog once it is up, not at the screen's corner before it is.
    m_capabilityFailure = capabilities.failure().message;
    return true;
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    UnsavedChangesDialog::showEvent(event);
    const QString failure = std::exchange(m_capabilityFailure, {});
    if (!failure.isEmpty())
        QTimer::singleShot(
            0, this, [this, failure] { MessageBox::error(this, sharedStrings().messageCaption, failure); });
}

void SettingsDialog::readOptions()
{
    for (int i = 0; i < kOptionCount; ++i)
        m_options[i]->setChecked(readSetting(kOptionRows[i].settingKey) == kTrue);
    m_options[StartHidden]->setEnabled(m_options[RunAtLogon]->isChecked());
}

void SettingsDialog::onOptionClicked(Option which)
{
    // A hidden start only means something with the start at log-in; its mark stays either way.
    if (which == RunAtLogon)
        m_options[StartHidden]->setEnabled(m_options[RunAtLogon]->isChecked());
    setUnsaved(true);
    updateLoadDefault();
}

void SettingsDialog::loadDefaults()
{
    for (QCheckBox *box : m_options)
        box->setChecked(true);
    m_options[StartHidden]->setEnabled(true);
    setUnsaved(true);
    updateLoadDefault();
}

bool SettingsDialog::apply()
{
    // Every option is written, shown, enabled or not.
    for (int i = 0; i < kOptionCount; ++i) {
        const Result<> written = writeSetting(kOptionRows[i].settingKey, m_options[i]->isChecked() ? kTrue : kFalse);
        if (!written) {
            // A settings file that cannot be written is told rather than passed over, and Apply
            // stays to try again. The logon entry is left as it was: it follows the file.
            MessageBox::error(this, sharedStrings().messageCaption, written.failure().message);
            return false;
        }
    }
    TaskService &tasks = m_services.tasks;
    if (!m_options[RunAtLogon]->isChecked()) {
        (void)deleteLogonTask(tasks, kLogonTaskName); // nothing to remove is fine
        setUnsaved(false);
        return true;
    }
    const QString arguments = m_options[StartHidden]->isChecked() ? kHiddenStart : QString();
    const Result<> created = createLogonTask(tasks, sharedStrings().executableFile, kLogonTaskName, arguments);
    if (!created) {
        // No half-made entry stays behind; Apply stays so the user can try again.
        (void)deleteLogonTask(tasks, kLogonTaskName);
        MessageBox::error(this, sharedStrings().messageCaption, created.failure().message);
        return false;
    }
    setUnsaved(false);
    return true;
}

void SettingsDialog::saveAndClose()
{
    // A refused Apply has just been told; the dialog stays so the choices are not lost.
    if (apply())
        QDialog::reject();
}

void SettingsDialog::setUnsaved(bool unsaved)
{
    m_unsaved = unsaved;
    m_applyButton->enableButton(unsaved);
}

void SettingsDialog::updateLoadDefault()
{
    // The hidden battery option counts too: Load default ticks it as well.
    const bool allTicked
        = std::all_of(m_options.cbegin(), m_options.cend(), [](const QCheckBox *box) { return box->isChecked(); });
    m_loadDefaultButton->enableButton(!allTicked);
}
