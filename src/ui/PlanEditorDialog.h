#pragma once

#include "Services.h"

#include <QDialog>
#include <QUuid>

// The window in which a plan is created, as a copy of another, or changed: its name and the
// settings this machine offers, for mains and, with batteries, for battery power.
class PlanEditorDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Create, Edit };

    // plan is the plan to copy in Create mode and the plan to change in Edit mode.
    PlanEditorDialog(Mode mode, const QUuid &plan, const Services &services, QWidget *parent = nullptr);

    Mode mode() const { return m_mode; }
    // The plan edited; in Create mode, after a save, the new plan.
    QUuid plan() const { return m_plan; }

Q_SIGNALS:
    // A save went through; whoever lists plans reloads.
    void saved();

private:
    Mode m_mode;
    QUuid m_plan;
    Services m_services;
};
