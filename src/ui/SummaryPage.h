#pragma once

#include "BatteryPopup.h"
#include "Page.h"
#include "PageServices.h"
#include "SummaryTotals.h"

#include <QFont>
#include <QFutureWatcher>
#include <QPixmap>

class LinkLabel;
class QLabel;

// The home page: title and description, three tiles that lead to the other pages, the totals
// (active plan, number of plans, number of schedules) and links to the quick plan switcher and
// the battery state.
//
// The totals are read on a worker thread; meanwhile the page is disabled and the please-wait
// window shows. A reload asked for during one runs once after it.
class SummaryPage : public Page
{
    Q_OBJECT
public:
    explicit SummaryPage(const PageServices &services, QWidget *parent = nullptr);
    ~SummaryPage() override;

    void refresh() override;

    bool isReloading() const { return m_loading.isRunning(); }
    QLabel *activePlanLine() const { return m_activePlanLine; }
    QLabel *planCountLine() const { return m_planCountLine; }
    QLabel *scheduleCountLine() const { return m_scheduleCountLine; }
    LinkLabel *changePlanLink() const { return m_changePlanLink; }
    LinkLabel *batteryLink() const { return m_batteryLink; }
    // What the last battery notification showed.
    const BatteryPopup &shownBatteryPopup() const { return m_shownBatteryPopup; }

Q_SIGNALS:
    // New totals are on the page.
    void reloaded();

protected:
    void onCommand(int id) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *addTotalsLine(int top);
    LinkLabel *addLink(int id, const char16_t *textKey, int top);
    void startReload();
    void onReloaded();
    void showTotals(const SummaryTotals &totals);
    void showBatteryStatus();

    PageServices m_services;
    QFont m_titleFont;
    QFont m_headingFont;
    QFont m_bodyFont;
    QPixmap m_logo;
    QString m_heading;
    QString m_description;
    QLabel *m_activePlanLine;
    QLabel *m_planCountLine;
    QLabel *m_scheduleCountLine;
    LinkLabel *m_changePlanLink;
    LinkLabel *m_batteryLink;
    QFutureWatcher<SummaryTotals> m_loading;
    bool m_reloadAgain = false;
    BatteryPopup m_shownBatteryPopup;
};
