// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the page tests share: the services a page reads, made of fakes, and the ways a user reaches
// a page's list, buttons and commands. Widgets and actions are found by their object names.
#include "FakeServices.h"
#include "PageServices.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PlanTaskWriter.h"
#include "PleaseWaitDialog.h"
#include "ReportList.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// What both list pages ask before they delete, in the language file users get.
inline const QString kDeleteQuestion = QStringLiteral("Do you want to delete the selected items?");

// All but the networks, battery and capabilities made afresh by each start().
struct PageFixture
{
    void start(const QByteArray &language = FakeServices::programLanguage())
    {
        env = std::make_unique<TestEnvironment>();
        env->writeFile(QStringLiteral("program/ampctleng.ini"), language);
        platform = std::make_unique<FakePowerPlatform>();
        tasks = std::make_unique<FakeTaskService>();
        pleaseWait = std::make_unique<PleaseWaitDialog>();
    }

    // The services on these plans and tasks or the fixture's own.
    Services services(PowerPlatform *on = nullptr, TaskService *onTasks = nullptr)
    {
        return { on ? *on : *platform, onTasks ? *onTasks : *tasks, networks, battery, capabilities };
    }

    // A page of the frame's size, shown, on these services or the fixture's own.
    template <typename Page> std::unique_ptr<Page> makePage(PowerPlatform *on = nullptr, TaskService *onTasks = nullptr)
    {
        auto page = std::make_unique<Page>(PageServices { services(on, onTasks), pleaseWait.get() });
        page->resize(Page::kFrameSize);
        page->show();
        return page;
    }

    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<FakePowerPlatform> platform;
    std::unique_ptr<FakeTaskService> tasks;
    FakeNetworkList networks;
    FakeBatteryStatusReader battery;
    FakeCapabilityReader capabilities;
    std::unique_ptr<PleaseWaitDialog> pleaseWait;
};

// Registers a task that switches to the plan, as the program writes one; false when refused.
inline bool schedulePlan(TaskService &tasks, const PowerPlanList &plans, const QUuid &plan,
    PlanTaskWriter::Kind kind = PlanTaskWriter::Kind::Daily, QDateTime at = QDateTime(QDate(2030, 1, 1), QTime(8, 0)))
{
    PlanTaskWriter writer(tasks, QStringLiteral("/usr/bin/ampora"));
    const std::optional<qsizetype> index = PlanCatalogue::findPlan(plans, plan);
    return index
        && writer.write({ *index, kind, at.date(), at.time(), {}, {} }, plans) == PlanTaskWriter::Outcome::Registered;
}

// Until the page shows what its worker read.
#define WAIT_FOR_RELOAD(page) QTRY_VERIFY(!(page).isReloading() && (page).isEnabled())

inline ReportList *listOf(const QWidget &page)
{
    return page.findChild<ReportList *>();
}

inline QAction *actionOf(const QWidget &page, const QString &name)
{
    return page.findChild<QAction *>(name);
}

inline PictureButton *buttonOf(const QWidget &page, const QString &name)
{
    return page.findChild<PictureButton *>(name);
}

inline QStringList column(const QWidget &page, int column)
{
    QStringList texts;
    const ReportList *list = listOf(page);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts.append(list->topLevelItem(row)->text(column));
    return texts;
}

// Clicks the rows, the first alone and the rest with Ctrl, at x in each row (the row's middle
// when x is negative).
inline void selectRows(const QWidget &page, const QList<int> &rows, int x = -1)
{
    ReportList *list = listOf(page);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QRect rect = list->visualItemRect(list->topLevelItem(rows.at(i)));
        const QPoint at(x < 0 ? rect.center().x() : rect.left() + x, rect.center().y());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier, at);
    }
}

// Runs check on the dialog that the next modal loop opens, once it is up, then closes it.
template <typename Dialog> void whenModal(std::function<void(Dialog *)> check)
{
    QTimer::singleShot(0, qApp, [check] {
        QTRY_VERIFY(qobject_cast<Dialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        check(dialog);
        dialog->reject();
    });
}
