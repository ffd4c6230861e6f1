// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageFactory.h"

#include "PlanListPage.h"
#include "SchedulesPage.h"
#include "SummaryPage.h"

Page *createPage(PageKind kind, const PageServices &services, QWidget *parent)
{
    switch (kind) {
    case PageKind::Summary:
        break;
    case PageKind::PlanList:
        return new PlanListPage(services, parent);
    case PageKind::ScheduledPlans:
        return new SchedulesPage(services, parent);
    }
    return new SummaryPage(services, parent);
}
