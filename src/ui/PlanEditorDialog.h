// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApplySetting.h"
#include "PlanSettings.h"
#include "Services.h"
#include "UnsavedChangesDialog.h"

#include <QFutureWatcher>
#include <QList>
#include <QUuid>
#include <array>
#include <memory>

struct ApplyStatus;
class MinutesSpinBox;
class PictureButton;
class PlanFollower;
class PleaseWaitDialog;
struct DriveReport;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

// The window in which a plan is created, as a copy of another, or changed: its name and the
// settings this machine offers, for mains and, with batteries, for battery power. Editing the active
// plan, each row also says what became of its setting when the plan was last applied.
class PlanEditorDialog : public UnsavedChangesDialog
{
    Q_OBJECT
public:
    enum class Mode { Create, Edit };

    // plan is the plan to copy in Create mode and the plan to change in Edit mode. follower, when
    // there is one, tells what became of the active plan's values.
    PlanEditorDialog(Mode mode, const QUuid &plan, const Services &services, QWidget *parent = nullptr,
        PlanFollower *follower = nullptr);
    // A disks' apply still running holds the window's values until it ends.
    ~PlanEditorDialog() override;

    Mode mode() const { return m_mode; }
    // The plan edited; in Create mode, after a save, the new plan.
    QUuid plan() const { return m_plan; }

Q_SIGNALS:
    // A save went through; whoever lists plans reloads.
    void saved();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hasUnsavedChanges() const override { return m_unsaved; }
    void saveAndClose() override;

private:
    // One control for one value of one row.
    struct SettingControl
    {
        PlanSettingValue value;
        QComboBox *list = nullptr;
        QLineEdit *field = nullptr;
        MinutesSpinBox *spin = nullptr;
        QSlider *slider = nullptr;
        bool locked = false; // the administrator's value: shown, never saved
    };

    PlanCapabilities readCapabilities();
    void createHeadings(bool batteries);
    void createRows(const QList<PlanSettingValue> &values, bool batteries);
    void createRowLabel(const PowerSettingRow &row);
    void createOutcomeLine(const PowerSettingRow &row);
    void showOutcomes(const ApplyStatus &status);
    // The disk row's button: the spin-down time needs an administrator, so it is set only here,
    // through UDisks on a worker thread, while the window waits.
    void createDiskButton();
    void applyToDisks();
    void showDiskOutcome();
    SettingControl createControl(const PlanSettingValue &value, int left);
    void createButtons(bool batteries);
    void connectChanges();
    void onChange();
    void setUnsaved(bool unsaved);
    // A system plan is shown as it is: nothing in the window can be changed.
    void showReadOnly();
    static QList<QWidget *> widgetsOf(const SettingControl &control);
    QList<PlanSettingValue> shownValues() const;
    // Saves as the Save button does; false when the dialog stays open.
    bool save();
    void showError(const QString &text);
    // Says why a save could not be made; the dialog and its edits stay. Always false.
    bool refuseSave(const Failure &failure);

    Mode m_mode;
    QUuid m_plan;
    Services m_services;
    bool m_readOnly = false; // editing a system plan
    bool m_unsaved = false;

    QLineEdit *m_nameBox = nullptr;
    PictureButton *m_saveButton = nullptr;
    PictureButton *m_closeButton = nullptr;
    QList<SettingControl> m_controls;
    // By setting; only in Edit mode with a follower.
    std::array<QLabel *, kSettingCount> m_outcomeLines {};
    bool m_showsOutcomes = false;
    PlanFollower *m_follower = nullptr;
    PictureButton *m_diskButton = nullptr;
    PleaseWaitDialog *m_diskWait = nullptr;
    struct DiskOutcome;
    QFutureWatcher<std::shared_ptr<DiskOutcome>> m_diskApply;

    // Layout: the row being placed, the second group's heading and the button row.
    int m_y = 0;
    int m_groupLine = 0;
    int m_layoutRight = 0;
    int m_buttonTop = 0;
};
