// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Page.h"

#include <QFont>
#include <QList>
#include <QString>

class QMenu;
class QTreeWidgetItem;
class ReportList;

// A page built round one report list under a grey band that carries its heading: the plan list
// and the scheduled plans pages. The page's commands act on its current row, which a click, a
// right click, a double click or a key on the list makes the row under it, or the focused one.
// The list's wiring is the same on both pages: a double click, Enter or Return trigger the open
// action, Delete the remove action, the right button or the menu key show the menu, F5 refreshes.
class ListPage : public Page
{
    Q_OBJECT
public:
    // The row the commands act on; -1 when none.
    int currentRow() const { return m_currentRow; }

protected:
    ListPage(const char16_t *headingKey, CommandActions *commands, QWidget *parent);

    const QFont &pageFont() const { return m_pageFont; }
    ReportList *list() const { return m_list; }
    // The page's list in its place, with its column headings (language keys) and widths.
    ReportList *addList(const QList<const char16_t *> &headingKeys, const QList<int> &widths);
    // What the list offers: the action a double click or Enter triggers, the one Delete triggers,
    // and the menu's actions in their order.
    void setRowCommands(QAction *open, QAction *remove, const QList<QAction *> &menu);

    void setCurrentRow(int row);
    // The selected rows, top row first.
    QList<QTreeWidgetItem *> selectedRows() const;
    // Grey or offer the commands for the current row.
    virtual void updateCommands() = 0;
    // A left click on a row away from its link, or on no row; the row is current already.
    virtual void rowClicked(int row) { Q_UNUSED(row) }
    // A left click on a row's link; the row is current already.
    virtual void linkClicked(int row) = 0;

    void paintEvent(QPaintEvent *event) override;

private:
    void onKey(int key, const QPoint &screenPoint);
    void showMenu(const QPoint &screenPoint);

    QFont m_pageFont;
    QString m_heading;
    ReportList *m_list = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_open = nullptr;
    QAction *m_remove = nullptr;
    int m_currentRow = -1;
};
