#include "ScheduleDialog.h"

ScheduleDialog::ScheduleDialog(const Services &services, QWidget *parent)
    : QDialog(parent)
    , m_services(services)
{
}

ScheduleDialog::ScheduleDialog(const Services &services, const QUuid &, QWidget *parent)
    : ScheduleDialog(services, parent)
{
}

ScheduleDialog::ScheduleDialog(const Services &services, const TimeSchedule &, QWidget *parent)
    : ScheduleDialog(services, parent)
{
}

ScheduleDialog::ScheduleDialog(const Services &services, const NetworkSchedule &, QWidget *parent)
    : ScheduleDialog(services, parent)
{
}
