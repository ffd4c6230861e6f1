#include "PageFactory.h"

#include "PlaceholderPage.h"
#include "PlanListPage.h"
#include "SummaryPage.h"

Page *createPage(PageKind kind, const PageServices &services, QWidget *parent)
{
    switch (kind) {
    case PageKind::Summary:
        return new SummaryPage(services, parent);
    case PageKind::PlanList:
        return new PlanListPage(services, parent);
    case PageKind::ScheduledPlans:
        break;
    }
    return new PlaceholderPage(kind, parent);
}
