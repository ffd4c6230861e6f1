#include "PlanListPage.h"

PlanListPage::PlanListPage(const PageServices &services, QWidget *parent)
    : Page(parent)
    , m_services(services)
{
}

PlanListPage::~PlanListPage() = default;

void PlanListPage::refresh() { }

void PlanListPage::onCommand(int id)
{
    Page::onCommand(id);
}

void PlanListPage::paintEvent(QPaintEvent *event)
{
    Page::paintEvent(event);
}
