#pragma once

#include "Page.h"
#include "PageServices.h"
#include "PlanListing.h"

#include <QFont>
#include <QFutureWatcher>
#include <QPixmap>

class QMenu;
class ReportList;

// The page that lists every plan with its schedule status and description, and where plans are
// created, edited and deleted. Each row stays bound to its plan's GUID, so a row never reaches a
// plan other than the one it shows, whatever names plans share.
//
// The list reloads on a worker thread; meanwhile the page is disabled and the please-wait window
// shows. A reload asked for during one runs once after it.
class PlanListPage : public Page
{
    Q_OBJECT
public:
    explicit PlanListPage(const PageServices &services, QWidget *parent = nullptr);
    ~PlanListPage() override;

    void refresh() override;

    bool isReloading() const { return m_loading.isRunning(); }
    ReportList *list() const { return m_list; }
    QMenu *contextMenu() const { return m_menu; }
    // The row the commands act on; -1 when none.
    int currentRow() const { return m_currentRow; }
    const PlanListing &listing() const { return m_listing; }

Q_SIGNALS:
    // The list shows freshly read plans.
    void reloaded();
    // The schedule link of a plan's row was clicked; how it is scheduled decides what opens.
    void scheduleRequested(const PlanListing::Row &row);

protected:
    void onCommand(int id) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildList();
    void buildMenu();
    void startReload();
    void onReloaded();
    void fillList();
    void setCurrentRow(int row);
    void updateCommands();
    void onKey(int key, int row, const QPoint &screenPoint);
    void showMenu(const QPoint &screenPoint);
    void createPlan();
    void editPlan();
    void deletePlans();
    void openEditor(int mode, const QUuid &plan);

    PageServices m_services;
    QFont m_pageFont;
    QPixmap m_logo;
    QString m_scheduledText;
    QString m_notScheduledText;
    ReportList *m_list = nullptr;
    QMenu *m_menu = nullptr;
    int m_currentRow = -1;
    PlanListing m_listing;
    QFutureWatcher<PlanListing> m_loading;
    bool m_reloadAgain = false;
};
