#include "PlanEditorDialog.h"

PlanEditorDialog::PlanEditorDialog(Mode mode, const QUuid &plan, const Services &services, QWidget *parent)
    : QDialog(parent)
    , m_mode(mode)
    , m_plan(plan)
    , m_services(services)
{
}
