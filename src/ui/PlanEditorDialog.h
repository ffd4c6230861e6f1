#pragma once

#include "ApplySetting.h"
#include "PlanSettings.h"
#include "Services.h"

#include <QDialog>
#include <QList>
#include <QUuid>
#include <array>

struct ApplyStatus;
class MinutesSpinBox;
class PictureButton;
class PlanFollower;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

// The window in which a plan is created, as a copy of another, or changed: its name and the
// settings this machine offers, for mains and, with batteries, for battery power. Editing the active
// plan, each row also says what became of its setting when the plan was last applied.
class PlanEditorDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Create, Edit };

    // plan is the plan to copy in Create mode and the plan to change in Edit mode. follower, when
    // there is one, tells what became of the active plan's values.
    PlanEditorDialog(Mode mode, const QUuid &plan, const Services &services, QWidget *parent = nullptr,
        PlanFollower *follower = nullptr);

    Mode mode() const { return m_mode; }
    // The plan edited; in Create mode, after a save, the new plan.
    QUuid plan() const { return m_plan; }

    // For tests: the controls and the state behind them.
    QLineEdit *nameBox() const { return m_nameBox; }
    PictureButton *saveButton() const { return m_saveButton; }
    PictureButton *closeButton() const { return m_closeButton; }
    bool hasUnsavedChanges() const { return m_unsaved; }
    // The row labels in display order.
    QList<PictureButton *> rowLabels() const { return m_rowLabels; }
    // The list, read-only minutes field or slider of a setting, or null when it is not offered.
    QWidget *settingControl(const QUuid &setting, PowerSource source) const;
    MinutesSpinBox *minutesSpin(const QUuid &setting, PowerSource source) const;
    // The line under a row's label that tells the setting's outcome; null when none is kept for
    // the row, hidden while there is nothing to tell.
    QLabel *outcomeLine(Setting setting) const;

    // Saves as the Save button does; false when the dialog stays open.
    bool save();

public Q_SLOTS:
    // Close, Esc and the close box: asks first when there are unsaved changes.
    void reject() override;

Q_SIGNALS:
    // A save went through; whoever lists plans reloads.
    void saved();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // One control for one value of one row.
    struct SettingControl
    {
        PlanSettingValue value;
        QComboBox *list = nullptr;
        QLineEdit *field = nullptr;
        MinutesSpinBox *spin = nullptr;
        QSlider *slider = nullptr;
    };

    PlanCapabilities readCapabilities();
    void createHeadings(bool batteries);
    void createRows(const QList<PlanSettingValue> &values, bool batteries);
    void createRowLabel(const PowerSettingRow &row);
    void createOutcomeLine(const PowerSettingRow &row);
    void showOutcomes(const ApplyStatus &status);
    SettingControl createControl(const PlanSettingValue &value, int left);
    void createButtons(bool batteries);
    void connectChanges();
    void onChange();
    void setUnsaved(bool unsaved);
    QList<PlanSettingValue> shownValues() const;
    const SettingControl *findControl(const QUuid &setting, PowerSource source) const;
    void showError(const QString &text);
    // Says why a save could not be made; the dialog and its edits stay. Always false.
    bool refuseSave(const Failure &failure);

    Mode m_mode;
    QUuid m_plan;
    Services m_services;
    bool m_unsaved = false;

    QLineEdit *m_nameBox = nullptr;
    PictureButton *m_saveButton = nullptr;
    PictureButton *m_closeButton = nullptr;
    QList<PictureButton *> m_rowLabels;
    QList<SettingControl> m_controls;
    // By setting; only in Edit mode with a follower.
    std::array<QLabel *, kSettingCount> m_outcomeLines {};
    bool m_showsOutcomes = false;

    // Layout: the row being placed, the second group's heading and the button row.
    int m_y = 0;
    int m_groupLine = 0;
    int m_layoutRight = 0;
    int m_buttonTop = 0;
};
