// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PowerPlan.h"
#include "Services.h"

#include <QDialog>

class PictureButton;
class QComboBox;

// The small window that makes another plan the active one in two clicks: a list of every plan
// with the active one chosen, and Activate, which is offered only while another plan is chosen.
// After an activation a popup announces the new plan when the user has asked for that.
class QuickSwitchDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QuickSwitchDialog(const Services &services, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fillPlanList();
    void updateActivate();
    void activate();
    void announce(const QUuid &plan);

    Services m_services;
    PowerPlanList m_plans;
    int m_activeIndex = -1; // -1 when the active plan is unknown or not listed
    QComboBox *m_planList;
    PictureButton *m_activateButton;
};
