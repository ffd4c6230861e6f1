// SPDX-License-Identifier: GPL-3.0-or-later
#include "SchedulesPage.h"

#include "BusyWork.h"
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PictureButton.h"
#include "PowerTriggerFile.h"
#include "Profile.h"
#include "ReportList.h"
#include "ScheduleDialog.h"
#include "ScheduleRuns.h"
#include "SharedStrings.h"
#include "TaskReader.h"

#include <QAction>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QSet>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>

using Profile::formatText;
using Program::sharedStrings;

namespace {

enum Column { PlanColumn, StatusColumn, TypeColumn, WhenColumn, NextRunColumn, LastRunColumn };

// What each row carries besides its texts: its kind and what names its schedule (the task's
// name for a time-based row, the network's GUID for a network-based one, the schedule's id for a
// power-based one).
constexpr int kNetworkRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kPowerRole = Qt::UserRole + 2;

bool isNetworkRow(const QTreeWidgetItem *item)
{
    return item->data(PlanColumn, kNetworkRole).toBool();
}

bool isPowerRow(const QTreeWidgetItem *item)
{
    return item->data(PlanColumn, kPowerRole).toBool();
}

QString taskOf(const QTreeWidgetItem *item)
{
    return item->data(PlanColumn, kKeyRole).toString();
}

QUuid networkOf(const QTreeWidgetItem *item)
{
    return item->data(PlanColumn, kKeyRole).toUuid();
}

template <typename Schedules, typename Named> auto *findIn(Schedules &schedules, Named named)
{
    const auto it = std::find_if(schedules.begin(), schedules.end(), named);
    return it == schedules.end() ? nullptr : &*it;
}

// The schedule a row names in a list of schedules (const or not); null when it is not listed.
template <typename Schedules> auto *findTask(Schedules &schedules, const QString &name)
{
    return findIn(schedules, [&](const TimeSchedule &schedule) { return schedule.taskName == name; });
}

template <typename Schedules> auto *findNetwork(Schedules &schedules, const QUuid &network)
{
    return findIn(schedules, [&](const NetworkSchedule &schedule) { return schedule.networkGuid == network; });
}

template <typename Schedules> auto *findTrigger(Schedules &schedules, const QUuid &id)
{
    return findIn(schedules, [&](const PowerTrigger &schedule) { return schedule.id == id; });
}

} // namespace

SchedulesPage::SchedulesPage(const PageServices &services, QWidget *parent)
    : ListPage(u"IDS_SCHEDULED_PLANS", services.commands, parent)
    , m_services(services)
    , m_enabledText(text(u"IDS_ENABLED"))
    , m_disabledText(text(u"IDS_DISABLED"))
    , m_timeBasedText(text(u"IDS_TIME_BASED"))
    , m_networkBasedText(text(u"IDS_NETWORK_BASED"))
    , m_powerBasedText(text(u"IDS_POWER_BASED"))
    , m_reload(
          this, services.pleaseWait,
          [platform = &services.platform, tasks = &services.tasks] { return ScheduleListing::load(*platform, *tasks); },
          [this](const ScheduleListing &listing) { showReloaded(listing); })
{
    buildButtons();
    buildList();

    m_reload.request();
    holdFrameSize();
}

void SchedulesPage::buildButtons()
{
    using enum PictureId;
    const struct
    {
        CommandId id;
        const char16_t *caption;
        ButtonPictures pictures;
        int left;
    } buttons[] = {
        { CmdAddSchedule, u"IDS_ADD_NEW", { AddSchedule, AddSchedule, AddSchedule, AddScheduleDisabled }, 390 },
        { CmdEditSchedule, u"IDS_EDIT", { EditSchedule, EditSchedule, EditSchedule, EditScheduleDisabled }, 505 },
        { CmdEnableSchedule, u"IDS_ENABLE", { EnableSchedule, EnableSchedule, EnableSchedule, EnableScheduleDisabled },
            620 },
        { CmdDisableSchedule, u"IDS_DISABLE",
            { DisableSchedule, DisableSchedule, DisableSchedule, DisableScheduleDisabled }, 735 },
        { CmdRemoveSchedules, u"IDS_REMOVE", { RemoveSchedule, RemoveSchedule, RemoveSchedule, RemoveScheduleDisabled },
            850 },
    };
    for (const auto &button : buttons)
        addButton(button.id, button.caption, button.pictures, QRect(button.left, 80, 100, 20))->setCaptionBeside(true);
    connect(command(CmdAddSchedule), &QAction::triggered, this, &SchedulesPage::addSchedule);
    connect(command(CmdEditSchedule), &QAction::triggered, this, &SchedulesPage::editSchedule);
    connect(command(CmdEnableSchedule), &QAction::triggered, this, [this] { enableCurrent(true); });
    connect(command(CmdDisableSchedule), &QAction::triggered, this, [this] { enableCurrent(false); });
    connect(command(CmdRemoveSchedules), &QAction::triggered, this, &SchedulesPage::removeSchedules);
}

void SchedulesPage::buildList()
{
    ReportList *list = addList({ u"IDS_POWER_PLAN", u"IDS_STATUS", u"IDS_SCHEDULE_TYPE", u"IDS_NETWORK_TIME",
                                   u"IDS_NEXT_RUN", u"IDS_LAST_RUN" },
        { 160, 95, 115, 250, 120, 150 });
    list->enableCheckBoxes();
    (void)list->setLinkColumn(StatusColumn); // the list has its columns and no rows yet
    // Space toggles the focused row's schedule whichever cell has the focus; the view alone would
    // only toggle when the focus sits on the check box's column.
    list->installEventFilter(this);
    // A click on the check box itself.
    connect(list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (!m_showing && column == PlanColumn)
            applyCheck(item);
    });
    setRowCommands(command(CmdEditSchedule), command(CmdRemoveSchedules),
        { command(CmdAddSchedule), command(CmdEditSchedule), command(CmdEnableSchedule), command(CmdDisableSchedule),
            command(CmdRemoveSchedules) });
    setCurrentRow(-1);
}

void SchedulesPage::rowClicked(int row)
{
    if (QTreeWidgetItem *item = list()->topLevelItem(row))
        applyCheck(item);
}

void SchedulesPage::linkClicked(int row)
{
    if (QTreeWidgetItem *item = list()->topLevelItem(row))
        setEnabled(item, !list()->isChecked(row));
}

void SchedulesPage::refresh()
{
    m_reload.request();
}

void SchedulesPage::showReloaded(const ScheduleListing &listing)
{
    m_listing = listing;
    fillList();
    Q_EMIT reloaded();
}

void SchedulesPage::fillList()
{
    // The row the user was on stays theirs when its schedule is still listed.
    const QTreeWidgetItem *focused = list()->currentItem();
    const QVariant focusedKey = focused ? focused->data(PlanColumn, kKeyRole) : QVariant();
    const QScopedValueRollback showing(m_showing, true);
    list()->clear();
    list()->clearSortMark();
    QList<QTreeWidgetItem *> items;
    items.reserve(m_listing.timeSchedules.size() + m_listing.networkSchedules.size() + m_listing.powerTriggers.size());
    for (const TimeSchedule &schedule : std::as_const(m_listing.timeSchedules))
        items.append(timeRow(schedule));
    for (const NetworkSchedule &schedule : std::as_const(m_listing.networkSchedules))
        items.append(networkRow(schedule));
    for (const PowerTrigger &schedule : std::as_const(m_listing.powerTriggers))
        items.append(powerRow(schedule));
    list()->addTopLevelItems(items);
    if (focusedKey.isValid()) {
        for (QTreeWidgetItem *item : std::as_const(items)) {
            if (item->data(PlanColumn, kKeyRole) == focusedKey)
                list()->setCurrentItem(item);
        }
    }
    setCurrentRow(list()->selectionMark());
}

QTreeWidgetItem *SchedulesPage::timeRow(const TimeSchedule &schedule)
{
    auto *item = new QTreeWidgetItem({ schedule.planName, QString(), m_timeBasedText, ScheduleRuns::whenText(schedule),
        ScheduleRuns::nextRunText(schedule), ScheduleRuns::lastRunText(schedule) });
    // The cells are narrow for what they may hold; the whole text is a hover away.
    for (const Column column : { WhenColumn, NextRunColumn, LastRunColumn })
        item->setToolTip(column, item->text(column));
    item->setData(PlanColumn, kNetworkRole, false);
    item->setData(PlanColumn, kKeyRole, schedule.taskName);
    showState(item, schedule.enabled);
    return item;
}

QTreeWidgetItem *SchedulesPage::networkRow(const NetworkSchedule &schedule)
{
    auto *item = new QTreeWidgetItem({ schedule.planName, QString(), m_networkBasedText, schedule.networkName });
    item->setData(PlanColumn, kNetworkRole, true);
    item->setData(PlanColumn, kKeyRole, schedule.networkGuid);
    showState(item, schedule.enabled);
    return item;
}

QTreeWidgetItem *SchedulesPage::powerRow(const PowerTrigger &schedule)
{
    auto *item = new QTreeWidgetItem({ schedule.planName, QString(), m_powerBasedText, schedule.eventText() });
    item->setData(PlanColumn, kNetworkRole, false);
    item->setData(PlanColumn, kPowerRole, true);
    item->setData(PlanColumn, kKeyRole, schedule.id);
    showState(item, schedule.enabled);
    return item;
}

void SchedulesPage::updateCommands()
{
    const QTreeWidgetItem *item = list()->topLevelItem(currentRow());
    const bool onRow = item != nullptr;
    const bool checked = onRow && item->checkState(PlanColumn) == Qt::Checked;
    command(CmdEditSchedule)->setEnabled(onRow);
    command(CmdRemoveSchedules)->setEnabled(onRow);
    command(CmdEnableSchedule)->setEnabled(onRow && !checked);
    command(CmdDisableSchedule)->setEnabled(onRow && checked);
}

bool SchedulesPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == list() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            setCurrentRow(list()->selectionMark());
            if (QTreeWidgetItem *item = list()->topLevelItem(currentRow()))
                setEnabled(item, item->checkState(PlanColumn) != Qt::Checked);
            return true;
        }
    }
    return Page::eventFilter(watched, event);
}

void SchedulesPage::enableCurrent(bool enabled)
{
    QTreeWidgetItem *item = list()->topLevelItem(currentRow());
    if (!item)
        return;
    setEnabled(item->isSelected() ? selectedSchedules() : QList<ScheduleKey> { keyOf(item) }, enabled);
}

SchedulesPage::ScheduleKey SchedulesPage::keyOf(const QTreeWidgetItem *item)
{
    if (isNetworkRow(item) || isPowerRow(item))
        return { true, QString(), networkOf(item), isPowerRow(item) };
    return { false, taskOf(item), QUuid() };
}

std::optional<bool> SchedulesPage::enabledOf(const QTreeWidgetItem *item) const
{
    if (isPowerRow(item)) {
        const PowerTrigger *schedule = findTrigger(m_listing.powerTriggers, networkOf(item));
        return schedule ? std::optional(schedule->enabled) : std::nullopt;
    }
    if (isNetworkRow(item)) {
        const NetworkSchedule *schedule = findNetwork(m_listing.networkSchedules, networkOf(item));
        return schedule ? std::optional(schedule->enabled) : std::nullopt;
    }
    const TimeSchedule *schedule = findTask(m_listing.timeSchedules, taskOf(item));
    return schedule ? std::optional(schedule->enabled) : std::nullopt;
}

void SchedulesPage::applyCheck(QTreeWidgetItem *item)
{
    const bool checked = item->checkState(PlanColumn) == Qt::Checked;
    if (enabledOf(item) != checked)
        setEnabled(item, checked);
    updateCommands();
}

void SchedulesPage::setEnabled(QTreeWidgetItem *item, bool enabled)
{
    setEnabled(QList<ScheduleKey> { keyOf(item) }, enabled);
}

void SchedulesPage::setEnabled(const QList<ScheduleKey> &schedules, bool enabled)
{
    if (BusyWork::isRunning())
        return;
    QList<ScheduleKey> listed;
    for (const ScheduleKey &schedule : schedules) {
        if (const QTreeWidgetItem *item = rowOf(schedule); item && enabledOf(item))
            listed.append(schedule);
    }
    if (listed.isEmpty())
        return;
    const PowerPlatform &platform = m_services.platform;
    TaskService &tasks = m_services.tasks;
    const Changed changed = changeSchedules(
        listed, [&](const QStringList &names) { return tasks.setTasksEnabled(names, enabled); },
        [&](const ScheduleKey &schedule) {
            if (schedule.power)
                return PowerTriggerFile::setEnabled(platform, schedule.networkGuid, enabled);
            return Result<>::from(setNetworkScheduleEnabled(platform, schedule.networkGuid, enabled));
        });
    for (const ScheduleKey &schedule : changed.done) {
        if (schedule.power)
            findTrigger(m_listing.powerTriggers, schedule.networkGuid)->enabled = enabled;
        else if (schedule.network)
            findNetwork(m_listing.networkSchedules, schedule.networkGuid)->enabled = enabled;
        else
            findTask(m_listing.timeSchedules, schedule.task)->enabled = enabled;
    }
    // A row whose schedule was not changed shows its state as before, whatever the user ticked.
    for (const ScheduleKey &schedule : listed) {
        if (QTreeWidgetItem *item = rowOf(schedule); item && enabledOf(item))
            showState(item, *enabledOf(item));
    }
    updateCommands();
    if (!changed.stopped)
        showFailure(changed.stopped.failure());
}

void SchedulesPage::showState(QTreeWidgetItem *item, bool enabled)
{
    const QScopedValueRollback showing(m_showing, true);
    item->setCheckState(PlanColumn, enabled ? Qt::Checked : Qt::Unchecked);
    item->setText(StatusColumn, enabled ? m_enabledText : m_disabledText);
    // A power-based schedule whose plan is gone never runs.
    if (const PowerTrigger *trigger
        = isPowerRow(item) ? findTrigger(m_listing.powerTriggers, networkOf(item)) : nullptr;
        trigger && trigger->planGone) {
        item->setText(StatusColumn, text(u"IDS_NEVER_RUNS"));
        item->setText(NextRunColumn, formatText(text(u"IDS_NEVER_RUNS_BECAUSE"), text(u"IDS_PLAN_GONE")));
    }
    // A once schedule that ran, or one that cannot run, says so whatever its state.
    const bool timeRow = !isNetworkRow(item) && !isPowerRow(item);
    if (const TimeSchedule *schedule = timeRow ? findTask(m_listing.timeSchedules, taskOf(item)) : nullptr) {
        TimeSchedule shown = *schedule;
        shown.enabled = enabled;
        item->setText(StatusColumn, ScheduleRuns::statusText(shown));
        item->setText(NextRunColumn, ScheduleRuns::nextRunText(shown));
    }
}

void SchedulesPage::addSchedule()
{
    ScheduleDialog dialog(m_services, this);
    connect(&dialog, &ScheduleDialog::saved, this, &SchedulesPage::refresh);
    execDialog(dialog);
}

void SchedulesPage::editSchedule()
{
    const QTreeWidgetItem *item = list()->topLevelItem(currentRow());
    if (!item)
        return;
    std::unique_ptr<ScheduleDialog> dialog;
    if (isPowerRow(item)) {
        if (const PowerTrigger *schedule = findTrigger(m_listing.powerTriggers, networkOf(item)))
            dialog = std::make_unique<ScheduleDialog>(m_services, *schedule, this);
    } else if (isNetworkRow(item)) {
        if (const NetworkSchedule *schedule = findNetwork(m_listing.networkSchedules, networkOf(item)))
            dialog = std::make_unique<ScheduleDialog>(m_services, *schedule, this);
    } else if (const TimeSchedule *schedule = findTask(m_listing.timeSchedules, taskOf(item))) {
        // What a damaged task holds cannot be shown for editing; it can be disabled or removed.
        if (!schedule->damage.isEmpty()) {
            MessageBox::error(
                this, sharedStrings().messageCaption, formatText(text(u"IDS_SCHEDULE_DAMAGED_EDIT"), schedule->damage));
            return;
        }
        dialog = std::make_unique<ScheduleDialog>(m_services, *schedule, this);
    }
    if (!dialog)
        return;
    connect(dialog.get(), &ScheduleDialog::saved, this, &SchedulesPage::refresh);
    dialog->exec();
}

void SchedulesPage::removeSchedules()
{
    if (BusyWork::isRunning()
        || MessageBox::question(
               this, sharedStrings().messageCaption, text(u"IDS_DELETE_QUESTION"), QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    // The schedules, never their rows, from the last row up, as the user sees them. A refusal
    // stops the rest, which stay as they are.
    QList<ScheduleKey> schedules = selectedSchedules();
    std::reverse(schedules.begin(), schedules.end());
    const PowerPlatform &platform = m_services.platform;
    TaskService &tasks = m_services.tasks;
    const Changed changed = changeSchedules(
        schedules, [&](const QStringList &names) { return tasks.deleteTasks(names); },
        [&](const ScheduleKey &schedule) {
            // A schedule that another program removed meanwhile is gone all the same.
            const Result<> removed = schedule.power
                ? PowerTriggerFile::remove(platform, schedule.networkGuid)
                : Result<>::from(removeNetworkSchedule(platform, schedule.networkGuid));
            return removed.failedWith(Failure::Kind::NotFound) ? Result<>() : removed;
        });
    QSet<QString> tasksGone;
    QSet<QUuid> networksGone;
    QSet<QUuid> triggersGone;
    for (const ScheduleKey &schedule : changed.done) {
        if (schedule.power)
            triggersGone.insert(schedule.networkGuid);
        else if (schedule.network)
            networksGone.insert(schedule.networkGuid);
        else
            tasksGone.insert(schedule.task);
    }
    m_listing.powerTriggers.removeIf([&](const PowerTrigger &each) { return triggersGone.contains(each.id); });
    m_listing.networkSchedules.removeIf(
        [&](const NetworkSchedule &each) { return networksGone.contains(each.networkGuid); });
    m_listing.timeSchedules.removeIf([&](const TimeSchedule &each) { return tasksGone.contains(each.taskName); });
    // From the bottom up, so that the rows still to look at keep their numbers.
    for (int row = list()->topLevelItemCount() - 1; row >= 0; --row) {
        const QTreeWidgetItem *item = list()->topLevelItem(row);
        const bool gone = isPowerRow(item) ? triggersGone.contains(networkOf(item))
            : isNetworkRow(item)           ? networksGone.contains(networkOf(item))
                                           : tasksGone.contains(taskOf(item));
        if (gone)
            delete list()->takeTopLevelItem(row);
    }
    if (!changed.stopped)
        showFailure(changed.stopped.failure());
    list()->setCurrentItem(nullptr);
    setCurrentRow(-1);
}

QList<SchedulesPage::ScheduleKey> SchedulesPage::selectedSchedules() const
{
    const QList<QTreeWidgetItem *> selected = selectedRows();
    QList<ScheduleKey> keys;
    keys.reserve(selected.size());
    for (const QTreeWidgetItem *item : std::as_const(selected))
        keys.append(keyOf(item));
    return keys;
}

QTreeWidgetItem *SchedulesPage::rowOf(const ScheduleKey &schedule) const
{
    for (int row = 0; row < list()->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = list()->topLevelItem(row);
        if ((isNetworkRow(item) || isPowerRow(item)) != schedule.network || isPowerRow(item) != schedule.power)
            continue;
        if (schedule.network ? networkOf(item) == schedule.networkGuid : taskOf(item) == schedule.task)
            return item;
    }
    return nullptr;
}

SchedulesPage::Changed SchedulesPage::changeSchedules(
    const QList<ScheduleKey> &schedules, TaskBatch tasks, NetworkChange network) const
{
    return BusyWork::run<Changed>(m_services.pleaseWait, [&] {
        QStringList names;
        for (const ScheduleKey &schedule : schedules) {
            if (!schedule.network)
                names.append(schedule.task);
        }
        const TaskService::BatchOutcome batch = names.isEmpty() ? TaskService::BatchOutcome() : tasks(names);
        // The tasks went in one batch before the network schedules, which follow in turn up to
        // the task that was refused; a network schedule that is refused stops the ones after it.
        Changed changed;
        qsizetype tasksDone = 0;
        for (const ScheduleKey &schedule : schedules) {
            if (!schedule.network && tasksDone == batch.done.size()) {
                if (changed.stopped)
                    changed.stopped = batch.stopped;
                break;
            }
            if (!schedule.network) {
                ++tasksDone;
                changed.done.append(schedule);
            } else if (changed.stopped) {
                changed.stopped = network(schedule);
                if (changed.stopped)
                    changed.done.append(schedule);
            }
        }
        return changed;
    });
}

void SchedulesPage::showFailure(const Failure &failure)
{
    MessageBox::error(this, sharedStrings().messageCaption, failure.message);
}
