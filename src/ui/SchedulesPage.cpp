#include "SchedulesPage.h"

SchedulesPage::SchedulesPage(const PageServices &services, QWidget *parent)
    : Page(parent)
    , m_services(services)
{
}
