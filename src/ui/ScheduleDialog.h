// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkList.h"
#include "NetworkSchedule.h"
#include "PowerPlan.h"
#include "PowerTrigger.h"
#include "ScheduleChoices.h"
#include "Services.h"
#include "TimeSchedule.h"
#include "UnsavedChangesDialog.h"

#include <QDateTime>
#include <QUuid>
#include <optional>

class CheckComboBox;
class PictureButton;
class QCheckBox;
class QSpinBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QRadioButton;
class QTimeEdit;

// The window in which a plan is made active now, scheduled once, daily or weekly at a time (only
// on mains power, waking the machine if asked), recorded for a network, or scheduled for a change
// of the machine's power state; and in which an existing schedule is changed.
class ScheduleDialog : public UnsavedChangesDialog
{
    Q_OBJECT
public:
    // A new schedule for any plan.
    explicit ScheduleDialog(const Services &services, QWidget *parent = nullptr);
    // A new schedule for plan, which cannot be changed in the dialog.
    ScheduleDialog(const Services &services, const QUuid &plan, QWidget *parent = nullptr);
    // Changing a time-based schedule (found again by its task name when saving) or a
    // network-based one (found by its network's GUID).
    ScheduleDialog(const Services &services, const TimeSchedule &schedule, QWidget *parent = nullptr);
    ScheduleDialog(const Services &services, const NetworkSchedule &schedule, QWidget *parent = nullptr);
    // Changing a power-based schedule (found by its id).
    ScheduleDialog(const Services &services, const PowerTrigger &schedule, QWidget *parent = nullptr);

    // The moment dialogs opened from then on take as the present: the coming whole minute they
    // offer and the first day they let pick. Invalid, as at start, for the system clock; tests fix it.
    static void setFixedNow(const QDateTime &now);

Q_SIGNALS:
    // A schedule was written; whoever lists schedules reloads.
    void saved();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // What the user changed since the dialog opened: what it preselected (a network, the active
    // plan, the next whole minute) is no change of theirs.
    bool hasUnsavedChanges() const override;
    void saveAndClose() override;

private:
    enum class Type { TimeBased = 0, NetworkBased = 1, PowerBased = 2 };

    ScheduleDialog(const Services &services, const QUuid &presetPlan, bool presetGiven, QWidget *parent);

    void createControls();
    QLabel *createLabel(const char16_t *key);
    QRadioButton *createRadio(const char16_t *key, int left);
    void createButtons();
    void fillNetworkList();
    void fillDayList();
    void fillPlanList(const QUuid &select);
    void nameControls();
    void connectChanges();
    void finishOpening(bool isNew);

    void onPlanChosen(int index);
    void createPlan();
    void applyType();
    void applyKindLayout();
    void showKindControls(bool time, bool date, bool week);
    void selectPlan(const QUuid &plan);

    void loadTimeSchedule(const TimeSchedule &schedule);
    void loadNetworkSchedule(const NetworkSchedule &schedule);
    void loadPowerTrigger(const PowerTrigger &schedule);
    void createPowerControls();
    void createConditionControls();
    void showWakeNote();

    ScheduleChoices currentChoices() const;
    void updateChangeState();

    // Saves as the Schedule button does; false when the dialog stays open.
    bool save();
    bool saveNetworkBased();
    bool runNow();
    bool saveTimeBased();
    bool savePowerBased();
    std::optional<PowerPlan> selectedPlan() const;
    PlanTaskWriter::Kind selectedKind() const;
    void showError(const QString &text);

    Services m_services;
    QDateTime m_now; // read once as the dialog opens, so that its start and first day agree
    PowerPlanList m_plans;
    QList<NetworkList::Network> m_networks;
    QUuid m_presetPlan;
    QUuid m_lastPlan; // the plan chosen before the create-new item
    QString m_editedTaskName;
    std::optional<TaskDefinition> m_editedDefinition; // the edited task as it was listed
    std::optional<QUuid> m_editedNetwork;
    std::optional<QUuid> m_editedTrigger;

    ScheduleChoices m_snapshot;
    ScheduleChoices m_opened; // the controls as the dialog opened, preselections included
    bool m_changed = false;
    bool m_opening = true;

    QComboBox *m_planList = nullptr;
    QComboBox *m_typeList = nullptr;
    QRadioButton *m_runNow = nullptr;
    QRadioButton *m_once = nullptr;
    QRadioButton *m_daily = nullptr;
    QRadioButton *m_weekly = nullptr;
    QLabel *m_timeLabel = nullptr;
    QTimeEdit *m_timePicker = nullptr;
    QLabel *m_dateLabel = nullptr;
    QDateEdit *m_datePicker = nullptr;
    QLabel *m_weekLabel = nullptr;
    CheckComboBox *m_dayList = nullptr;
    QLabel *m_networkLabel = nullptr;
    QComboBox *m_networkList = nullptr;
    QCheckBox *m_onlyOnMains = nullptr;
    QCheckBox *m_wake = nullptr;
    QLabel *m_wakeNote = nullptr;
    QLabel *m_eventLabel = nullptr;
    QComboBox *m_eventList = nullptr;
    QLabel *m_levelLabel = nullptr;
    QSpinBox *m_levelBox = nullptr;
    PictureButton *m_scheduleButton = nullptr;
    PictureButton *m_closeButton = nullptr;
};
