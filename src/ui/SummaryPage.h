// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BatteryPopup.h"
#include "Page.h"
#include "PageReload.h"
#include "PageServices.h"
#include "SummaryTotals.h"

#include <QFont>

class LinkLabel;
class QLabel;

// The home page: title and description, three tiles that lead to the other pages, the totals
// (active plan, number of plans, number of schedules) and links to the quick plan switcher and
// the battery state.
//
// The totals are read on a worker thread (see PageReload).
class SummaryPage : public Page
{
    Q_OBJECT
public:
    explicit SummaryPage(const PageServices &services, QWidget *parent = nullptr);

    void refresh() override;

    bool isReloading() const { return m_reload.isRunning(); }
    // What the last battery notification showed.
    const BatteryPopup &shownBatteryPopup() const { return m_shownBatteryPopup; }

Q_SIGNALS:
    // New totals are on the page.
    void reloaded();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *addTotalsLine(const QString &name, int top);
    LinkLabel *addLink(CommandId id, const char16_t *textKey, int top);
    void openQuickSwitch();
    void showReloaded(const SummaryTotals &totals);
    void showTotals(const SummaryTotals &totals);
    void showBatteryStatus();

    PageServices m_services;
    QFont m_titleFont;
    QFont m_headingFont;
    QFont m_bodyFont;
    QString m_heading;
    QString m_description;
    QLabel *m_activePlanLine;
    QLabel *m_planCountLine;
    QLabel *m_scheduleCountLine;
    PageReload<SummaryTotals> m_reload;
    BatteryPopup m_shownBatteryPopup;
};
