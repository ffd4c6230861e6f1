// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanListPage.h"

#include "BusyWork.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "PlanDeletion.h"
#include "PlanTransfer.h"
#include "PowerPlatform.h"
#include "Profile.h"
#include "ReportList.h"
#include "ScheduleDialog.h"
#include "SharedStrings.h"

#include <QAction>
#include <QHash>
#include <QSet>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>

using Profile::formatText;
using Program::sharedStrings;

namespace {

enum Column { NameColumn, ScheduleColumn, DescriptionColumn };

// What each row carries besides its texts: its plan. How schedules use the plan is in the listing.
constexpr int kPlanRole = Qt::UserRole;

QUuid planOf(const QTreeWidgetItem *item)
{
    return item->data(NameColumn, kPlanRole).toUuid();
}

} // namespace

PlanListPage::PlanListPage(const PageServices &services, QWidget *parent)
    : ListPage(u"IDS_MANAGE_POWER_PLAN", services.commands, parent)
    , m_services(services)
    , m_scheduledText(text(u"IDS_SCHEDULED"))
    , m_notScheduledText(text(u"IDS_NOT_SCHEDULED"))
    , m_reload(
          this, services.pleaseWait,
          [platform = &services.platform, tasks = &services.tasks] { return PlanListing::load(*platform, *tasks); },
          [this](const PlanListing &listing) { showReloaded(listing); })
{
    using enum PictureId;
    addButton(CmdCreatePlanFromList, u"IDS_CREATE_PLAN", { CreatePlan, CreatePlan, CreatePlan, CreatePlanDisabled },
        QRect(560, 80, 120, 20))
        ->setCaptionBeside(true);
    addButton(
        CmdEditPlan, u"IDS_EDIT_PLAN", { EditPlan, EditPlan, EditPlan, EditPlanDisabled }, QRect(695, 80, 120, 20))
        ->setCaptionBeside(true);
    addButton(CmdDeletePlan, u"IDS_DELETE_PLAN", { DeletePlan, DeletePlan, DeletePlan, DeletePlanDisabled },
        QRect(830, 80, 120, 20))
        ->setCaptionBeside(true);
    (void)addList({ u"IDS_POWER_PLAN", u"IDS_SCHEDULE_STATUS", u"IDS_DESCRIPTION" }, { 220, 180, 450 })
        ->setLinkColumn(ScheduleColumn); // the list has its columns and no rows yet
    setRowCommands(command(CmdEditPlan), command(CmdDeletePlan),
        { command(CmdActivatePlan), command(CmdCreatePlanFromList), command(CmdCopyPlan), command(CmdEditPlan),
            command(CmdDeletePlan), command(CmdExportPlan), command(CmdImportPlan), command(CmdRestoreDefaultPlans) });
    wireTransferCommands();
    connect(command(CmdCreatePlanFromList), &QAction::triggered, this, &PlanListPage::createPlan);
    connect(command(CmdEditPlan), &QAction::triggered, this, &PlanListPage::editPlan);
    connect(command(CmdDeletePlan), &QAction::triggered, this, &PlanListPage::deletePlans);
    setCurrentRow(-1);

    m_reload.request();
    holdFrameSize();
}

QUuid PlanListPage::planOfRow(int row) const
{
    const QTreeWidgetItem *item = list()->topLevelItem(row);
    return item ? planOf(item) : QUuid();
}

void PlanListPage::refresh()
{
    m_reload.request();
}

void PlanListPage::showReloaded(const PlanListing &listing)
{
    // An empty list alone would say there are no plans; each new failure is said once.
    const bool newFailure = !listing.plansFailure.isEmpty() && listing.plansFailure != m_listing.plansFailure;
    m_listing = listing;
    fillList(listing);
    Q_EMIT reloaded();
    if (newFailure)
        MessageBox::error(this, sharedStrings().messageCaption, listing.plansFailure);
}

void PlanListPage::fillList(const PlanListing &listing)
{
    // The row the user was on stays theirs when its plan is still listed.
    const QUuid focusedPlan = planOfRow(list()->selectionMark());
    list()->clear();
    list()->clearSortMark();
    QList<QTreeWidgetItem *> items;
    items.reserve(listing.rows.size());
    for (const PlanListing::Row &row : listing.rows) {
        const bool scheduled = row.use != ScheduleUse::None;
        const QString name = row.system ? formatText(text(u"IDS_SYSTEM_PLAN"), row.plan.planName) : row.plan.planName;
        auto *item
            = new QTreeWidgetItem({ name, scheduled ? m_scheduledText : m_notScheduledText, row.plan.planDescription });
        item->setData(NameColumn, kPlanRole, row.plan.planGuid);
        if (row.system)
            item->setToolTip(NameColumn, text(u"IDS_SYSTEM_PLAN_TIP"));
        if (row.plan.planGuid == listing.activePlan) {
            QFont bold = pageFont();
            bold.setBold(true);
            item->setFont(NameColumn, bold);
        }
        items.append(item);
    }
    list()->addTopLevelItems(items);
    for (QTreeWidgetItem *item : std::as_const(items)) {
        if (!focusedPlan.isNull() && planOf(item) == focusedPlan)
            list()->setCurrentItem(item);
    }
    setCurrentRow(list()->selectionMark());
}

void PlanListPage::updateCommands()
{
    const bool onRow = currentRow() >= 0;
    // A system plan is the administrator's: it is activated, copied and exported, never changed.
    const bool changeable = onRow && !isSystemPlan(planOfRow(currentRow()));
    command(CmdEditPlan)->setEnabled(changeable);
    command(CmdDeletePlan)->setEnabled(changeable);
    for (const CommandId id : { CmdActivatePlan, CmdCopyPlan, CmdExportPlan })
        command(id)->setEnabled(onRow);
}

bool PlanListPage::isSystemPlan(const QUuid &plan) const
{
    return std::any_of(m_listing.rows.cbegin(), m_listing.rows.cend(),
        [&](const PlanListing::Row &row) { return row.plan.planGuid == plan && row.system; });
}

void PlanListPage::createPlan()
{
    const Result<QUuid> active = m_services.platform.activeScheme();
    if (!active) {
        MessageBox::error(this, sharedStrings().messageCaption, active.failure().message);
        return;
    }
    openEditor(PlanEditorDialog::Mode::Create, *active);
}

void PlanListPage::editPlan()
{
    if (currentRow() >= 0 && !isSystemPlan(planOfRow(currentRow())))
        openEditor(PlanEditorDialog::Mode::Edit, planOfRow(currentRow()));
}

void PlanListPage::openEditor(PlanEditorDialog::Mode mode, const QUuid &plan)
{
    PlanEditorDialog editor(mode, plan, m_services, this, m_services.follower);
    connect(&editor, &PlanEditorDialog::saved, this, &PlanListPage::refresh);
    // A new plan is scheduled next: "Create and schedule" says so.
    if (execDialog(editor) == QDialog::Accepted && mode == PlanEditorDialog::Mode::Create)
        openScheduleOf(editor.plan());
}

void PlanListPage::linkClicked(int row)
{
    const QUuid plan = planOfRow(row);
    if (!plan.isNull())
        openScheduleOf(plan);
}

void PlanListPage::openScheduleOf(const QUuid &plan)
{
    const auto ofPlan = [&](const auto &schedule) { return schedule.planGuid == plan; };
    const auto &timed = m_listing.timeSchedules;
    const auto &networked = m_listing.networkSchedules;
    std::unique_ptr<ScheduleDialog> dialog;
    if (const auto it = std::find_if(timed.cbegin(), timed.cend(), ofPlan); it != timed.cend())
        dialog = std::make_unique<ScheduleDialog>(m_services, *it, this);
    else if (const auto at = std::find_if(networked.cbegin(), networked.cend(), ofPlan); at != networked.cend())
        dialog = std::make_unique<ScheduleDialog>(m_services, *at, this);
    else
        dialog = std::make_unique<ScheduleDialog>(m_services, plan, this);
    connect(dialog.get(), &ScheduleDialog::saved, this, &PlanListPage::refresh);
    execDialog(*dialog);
}

void PlanListPage::deletePlans()
{
    const QString &caption = sharedStrings().messageCaption;
    if (BusyWork::isRunning()
        || MessageBox::question(this, caption, text(u"IDS_DELETE_QUESTION"), QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    const Result<QUuid> active = m_services.platform.activeScheme();
    if (!active)
        return;
    // The plans, never their rows, from the last row up, as the user sees them; a plan no longer
    // listed is gone meanwhile, or no longer readable: nothing to do. What the list shows of each
    // is copied, since a message box below may replace the listing.
    QHash<QUuid, const PlanListing::Row *> listed;
    for (const PlanListing::Row &row : std::as_const(m_listing.rows))
        listed.insert(row.plan.planGuid, &row);
    QList<QUuid> plans;
    QSet<QUuid> scheduled;
    QHash<QUuid, QString> names;
    const QList<QTreeWidgetItem *> selected = selectedRows();
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        const QUuid plan = planOf(*it);
        const PlanListing::Row *row = listed.value(plan);
        if (!row || row->system)
            continue;
        plans.append(plan);
        names.insert(plan, row->plan.planName);
        if (row->use != ScheduleUse::None)
            scheduled.insert(plan);
    }
    PowerPlatform &platform = m_services.platform;
    TaskService &tasks = m_services.tasks;
    const PlanDeletion deletion = BusyWork::run<PlanDeletion>(
        m_services.pleaseWait, [&] { return PlanDeletion::run(platform, tasks, plans, scheduled, *active); });
    // The plans deleted leave the list at once; then the refusals follow in turn, as each plan is
    // handled. A failure of the lock or the store is said where the first plan was to go, and
    // stops there.
    QSet<QUuid> deleted;
    for (const PlanDeletion::Plan &plan : deletion.plans) {
        if (deletion.failure && plan.refusal == PlanDeletion::Refusal::None)
            deleted.insert(plan.guid);
    }
    forgetPlans(deleted);
    const auto showFailure = [&] {
        if (!deletion.failure.failedWith(Failure::Kind::Invalid))
            MessageBox::error(this, caption, deletion.failure.failure().message);
    };
    if (deletion.plans.isEmpty() && !deletion.failure)
        showFailure();
    for (const PlanDeletion::Plan &plan : deletion.plans) {
        if (plan.refusal == PlanDeletion::Refusal::Scheduled) {
            QString message = text(u"IDS_DELETE_SCHD_ERR");
            MessageBox::information(this, caption, message.replace(u'#', names.value(plan.guid)));
        } else if (plan.refusal == PlanDeletion::Refusal::Active) {
            MessageBox::error(this, caption, text(u"IDS_DELETE_PLAN_ERROR"));
        } else if (!deletion.failure) {
            showFailure();
            break;
        }
    }
    list()->setCurrentItem(nullptr);
    setCurrentRow(-1);
}

void PlanListPage::forgetPlans(const QSet<QUuid> &plans)
{
    if (plans.isEmpty())
        return;
    m_listing.rows.removeIf([&](const PlanListing::Row &row) { return plans.contains(row.plan.planGuid); });
    // The rows left go back in one go, in the order the user sees: taking a thousand rows one by
    // one would keep the window from answering for a quarter of a second.
    QList<QTreeWidgetItem *> kept;
    for (QTreeWidgetItem *item : list()->invisibleRootItem()->takeChildren()) {
        if (plans.contains(planOf(item)))
            delete item;
        else
            kept.append(item);
    }
    list()->addTopLevelItems(kept);
}

void PlanListPage::wireTransferCommands()
{
    const auto on = [this](CommandId id, const char16_t *textKey, auto handler) {
        command(id)->setText(text(textKey));
        connect(command(id), &QAction::triggered, this, handler);
    };
    on(CmdActivatePlan, u"IDS_ACTIVATE_PLAN", [this] {
        if (const Result<> activated = m_services.platform.setActiveScheme(planOfRow(currentRow())); !activated)
            MessageBox::error(this, sharedStrings().messageCaption, activated.failure().message);
        refresh();
    });
    // The editor makes the copy, as Create does from the active plan.
    on(CmdCopyPlan, u"IDS_COPY_PLAN", [this] { openEditor(PlanEditorDialog::Mode::Create, planOfRow(currentRow())); });
    on(CmdExportPlan, u"IDS_EXPORT_PLAN",
        [this] { PlanTransfer::exportPlan(this, m_services.platform, planOfRow(currentRow())); });
    on(CmdImportPlan, u"IDS_IMPORT_PLAN", [this] {
        if (PlanTransfer::importPlan(this, m_services.platform))
            refresh();
    });
    on(CmdRestoreDefaultPlans, u"IDS_RESTORE_DEFAULT_PLANS", [this] {
        PlanTransfer::restoreDefaultPlans(this, m_services.platform);
        refresh();
    });
}
