// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QTreeWidget>

class ReportListDelegate;

// The report list of the plan list and scheduled plans pages: columns with a clickable header
// that sorts by a column's text and shows a sort mark, an optional check box per row, and one
// link column drawn in blue with a hand cursor. The list does no work of its own on clicks or
// keys: it reports each of them, with the row concerned, to its page through the signals below.
// Rows are the top-level items; a row number is the item's position in the list as shown.
class ReportList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit ReportList(QWidget *parent = nullptr);

    // Makes column the link column. Call it after the columns exist and before any row is added.
    // On failure the link column is unchanged and the failure says why.
    Result<> setLinkColumn(int column);
    int linkColumn() const { return m_linkColumn; }

    // From now on every row has a check box in column 0 (unticked when the row is added).
    void enableCheckBoxes();
    bool isChecked(int row) const;
    void setCheck(int row, bool checked);

    // The row of the last reported mouse or key event, -1 for none.
    int currentRow() const { return m_currentRow; }
    // The focused row (the list's selection mark), -1 for none.
    int selectionMark() const;

    // Shows the sort mark on column and sorts the rows by that column's text (case-insensitive,
    // in the user's collation order; equal texts keep their order). Selection and focus stay.
    void sortRows(int column, Qt::SortOrder order);
    // No column marked, ascending; the rows stay as they are.
    void clearSortMark();

Q_SIGNALS:
    // Left button pressed outside the link column, or on no row (-1).
    void rowClicked(int row);
    // Left button pressed on the link column's cell of a row.
    void linkClicked(int row);
    // Right button pressed / left button double-clicked; the point is in screen coordinates.
    void rowRightClicked(const QPoint &screenPoint, int row);
    void rowDoubleClicked(const QPoint &screenPoint, int row);
    // Every key press: the Qt key, the selection mark after the key's own handling, and a point
    // in screen coordinates where a context menu belongs (only meaningful for Qt::Key_Menu).
    void keyPressed(int key, int row, const QPoint &screenPoint);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int rowAt(const QPoint &viewportPoint) const;
    bool isLinkCell(const QPoint &viewportPoint) const;
    QPoint contextMenuPoint() const;
    void giveCheckBoxes(int first, int last);

    ReportListDelegate *m_delegate;
    int m_currentRow = -1;
    int m_linkColumn = -1;
    bool m_checkBoxes = false;
    // Set while the view's own double-click handling replays the event as a press.
    bool m_inDoubleClick = false;
};
