// SPDX-License-Identifier: GPL-3.0-or-later
// The pages on real backends with 1,000 plans in the scheme store and 1,000 schedules (500
// systemd timers and 500 network schedules), under the offscreen platform:
//  - opening the plan editor on one plan (building the dialog and reading its values), median of
//    21 runs, in edit and in create mode;
//  - reloading the plan list page and the scheduled plans page, each from refresh() to the filled
//    list, median of 11 runs; with the longest time the user-interface thread went without
//    handling an event meanwhile (a 1 ms timer measures it).

#include "BenchSupport.h"
#include "NetworkScheduleFile.h"
#include "PlanCatalogue.h"
#include "PlanEditorDialog.h"
#include "PlanListPage.h"
#include "PlanTaskWriter.h"
#include "PlatformServices.h"
#include "PleaseWaitDialog.h"
#include "ReportList.h"
#include "SchedulesPage.h"
#include "SharedStrings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using PlanCatalogue::loadPowerPlans;
using Program::currentExecutableFile;
using Program::resolveSharedPaths;
using Program::sharedStrings;

namespace {

constexpr int kPlans = 1000;
constexpr int kTimers = 500;
constexpr int kNetworkSchedules = 500;

void addSchedules(const Services &services)
{
    const PowerPlanList plans = loadPowerPlans(services.platform).value();
    PlanTaskWriter writer(services.tasks, QStringLiteral("/usr/bin/ampora"));
    for (int i = 0; i < kTimers; ++i) {
        const PlanTaskWriter::Choice daily { i, PlanTaskWriter::Kind::Daily, QDate(2030, 1, 1), QTime(8, 0), {}, {} };
        if (writer.write(daily, plans) != PlanTaskWriter::Outcome::Registered)
            qFatal("cannot write task %d", i);
    }
    for (int i = 0; i < kNetworkSchedules; ++i) {
        const NetworkList::Network network { QStringLiteral("Network %1").arg(i), QUuid::createUuid(), false };
        if (!saveNetworkSchedule(services.platform, network, plans.at(kTimers + i)))
            qFatal("cannot write network schedule %d", i);
    }
}

struct Reload
{
    double totalMs = 0;
    double longestStallMs = 0;
};

template <typename PageType> Reload reloadOnce(PageType &page)
{
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    double longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    QEventLoop loop;
    QObject::connect(&page, &PageType::reloaded, &loop, &QEventLoop::quit);
    clock.start();
    sinceTick.start();
    ticker.start();
    page.refresh();
    loop.exec();
    // The fill ran just before reloaded(); count the time since the last tick too.
    longestStall = std::max(longestStall, double(sinceTick.nsecsElapsed()) / 1e6);
    return { double(clock.nsecsElapsed()) / 1e6, longestStall };
}

struct Figures
{
    double medianMs = 0;
    double medianStallMs = 0;
    double worstStallMs = 0;
};

// Shows the page and reloads it twelve times; the first also waits for the page's own first fill
// and does not count.
template <typename PageType> Figures measureReloads(const PageServices &services, int expectedRows)
{
    PageType page(services);
    page.show();
    QList<double> totals;
    QList<double> stalls;
    for (int i = 0; i < 12; ++i) {
        const Reload reload = reloadOnce(page);
        if (i == 0)
            continue;
        totals.append(reload.totalMs);
        stalls.append(reload.longestStallMs);
    }
    const int rows = page.template findChild<ReportList *>()->topLevelItemCount();
    if (rows != expectedRows)
        qFatal("the page lists %d rows instead of %d", rows, expectedRows);
    std::sort(totals.begin(), totals.end());
    std::sort(stalls.begin(), stalls.end());
    return { totals.at(totals.size() / 2), stalls.at(stalls.size() / 2), stalls.last() };
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"); // no user manager to reload
    QApplication app(argc, argv);
    SharedStrings &strings = sharedStrings();
    resolveSharedPaths(strings, currentExecutableFile());
    const QList<QUuid> schemes = buildSchemeStore(strings.schemeStoreFile, kPlans);

    const PlatformServices backends(strings);
    const Services services = backends.services();
    addSchedules(services);

    const QUuid edited = schemes.at(kPlans / 2);
    const auto openEditor = [&](PlanEditorDialog::Mode mode) {
        return medianMs(21, [&] {
            PlanEditorDialog editor(mode, edited, services);
            editor.show();
            QCoreApplication::processEvents();
        });
    };
    const double editMs = openEditor(PlanEditorDialog::Mode::Edit);
    const double createMs = openEditor(PlanEditorDialog::Mode::Create);

    PleaseWaitDialog pleaseWait;
    const PageServices pageServices { services, &pleaseWait };
    const Figures planList = measureReloads<PlanListPage>(pageServices, kPlans);
    const Figures schedules = measureReloads<SchedulesPage>(pageServices, kTimers + kNetworkSchedules);

    std::printf("Opening the plan editor on a store of %d plans: median %.1f ms (edit), %.1f ms (create)\n", kPlans,
        editMs, createMs);
    const auto report = [&](const char *page, const Figures &figures) {
        std::printf("Reloading the %s with %d plans and %d schedules: median %.1f ms; longest time the window went "
                    "without handling events: median %.1f ms, worst %.1f ms\n",
            page, kPlans, kTimers + kNetworkSchedules, figures.medianMs, figures.medianStallMs, figures.worstStallMs);
    };
    report("plan list page", planList);
    report("scheduled plans page", schedules);
    return 0;
}
