// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ListPage.h"
#include "PageReload.h"
#include "PageServices.h"
#include "PlanEditorDialog.h"
#include "PlanListing.h"

#include <QSet>

class QTreeWidgetItem;

// The page that lists every plan with its schedule status and description, and where plans are
// created, edited and deleted. The active plan's row is set in bold. Each row stays bound to its
// plan's GUID, so a row never reaches a plan other than the one it shows, whatever names plans
// share and however the user sorts the list. An action that spans message boxes holds the plans'
// GUIDs, never the rows: a box runs the event loop, and a change of the store refills the list.
//
// The list reloads on a worker thread (see PageReload).
class PlanListPage : public ListPage
{
    Q_OBJECT
public:
    explicit PlanListPage(const PageServices &services, QWidget *parent = nullptr);

    void refresh() override;
    // Opens the plan editor on a copy of the active plan, as the Create button does.
    void createPlan();

    bool isReloading() const { return m_reload.isRunning(); }
    // The plan a row of the list shows.
    QUuid planOfRow(int row) const;

Q_SIGNALS:
    // The list shows freshly read plans.
    void reloaded();

protected:
    void updateCommands() override;
    void linkClicked(int row) override;

private:
    void showReloaded(const PlanListing &listing);
    void fillList(const PlanListing &listing);
    void editPlan();
    bool isSystemPlan(const QUuid &plan) const;
    // Deletes the selected plans in one change of the store, on a worker thread.
    void deletePlans();
    // The plans were deleted: they leave the listing and the list.
    void forgetPlans(const QSet<QUuid> &plans);
    void openEditor(PlanEditorDialog::Mode mode, const QUuid &plan);
    // The schedule dialog on the plan's first time-based schedule, else its first network-based
    // one, else on a new schedule for the plan.
    void openScheduleOf(const QUuid &plan);
    // Activate, Copy, Export, Import and Restore default plans from the list's menu.
    void wireTransferCommands();

    PageServices m_services;
    QString m_scheduledText;
    QString m_notScheduledText;
    PlanListing m_listing; // what the list shows, as last read
    PageReload<PlanListing> m_reload;
};
