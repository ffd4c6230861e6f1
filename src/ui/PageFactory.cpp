#include "PageFactory.h"

#include "CBaseWndStep.h"
#include "PlaceholderPage.h"

Page *CreatePage(PageKind kind, const PageServices &services, QWidget *parent)
{
    switch (kind) {
    case PageKind::Summary:
        return new CBaseWndStep(services, parent);
    case PageKind::PlanList:
    case PageKind::ScheduledPlans:
        break;
    }
    return new PlaceholderPage(kind, parent);
}
