// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportList.h"

#include "ReportListDelegate.h"

#include <QCollator>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <algorithm>

namespace {

// The look of the system's "Explorer" list theme: a light selection under dark text.
QPalette explorerPalette(QPalette palette)
{
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(204, 232, 255));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    return palette;
}

} // namespace

ReportList::ReportList(QWidget *parent)
    : QTreeWidget(parent)
    , m_delegate(new ReportListDelegate(this))
{
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(m_delegate);
    setPalette(explorerPalette(palette()));
    setMouseTracking(true);

    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    clearSortMark();
    // The header has already turned its mark (same column: the other way; new one: ascending).
    connect(header(), &QHeaderView::sectionClicked, this,
        [this](int column) { sortRows(column, header()->sortIndicatorOrder()); });
    connect(
        model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parentIndex, int first, int last) {
            if (m_checkBoxes && !parentIndex.isValid())
                giveCheckBoxes(first, last);
        });
}

Result<> ReportList::setLinkColumn(int column)
{
    if (columnCount() == 0)
        return invalid(QStringLiteral("List control does not have any columns."));
    if (topLevelItemCount() > 0)
        return invalid(QStringLiteral("List control already containing few rows. (called after inserting items)"));
    if (column <= 0 || column >= columnCount())
        return invalid(QStringLiteral("Value mentioned does not match the condition ( 0 < nSubItem < nColumns)."));
    m_linkColumn = column;
    m_delegate->setLinkColumn(column);
    viewport()->update();
    return {};
}

void ReportList::enableCheckBoxes()
{
    m_checkBoxes = true;
    if (topLevelItemCount() > 0)
        giveCheckBoxes(0, topLevelItemCount() - 1);
}

bool ReportList::isChecked(int row) const
{
    const QTreeWidgetItem *item = topLevelItem(row);
    return item && item->checkState(0) == Qt::Checked;
}

void ReportList::setCheck(int row, bool checked)
{
    if (QTreeWidgetItem *item = topLevelItem(row))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

int ReportList::selectionMark() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ReportList::sortRows(int column, Qt::SortOrder order)
{
    header()->setSortIndicator(column, order);
    if (column < 0 || column >= columnCount())
        return;
    QCollator collator(locale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto before = [&](const QTreeWidgetItem *a, const QTreeWidgetItem *b) {
        const int comparison = collator.compare(a->text(column), b->text(column));
        return order == Qt::AscendingOrder ? comparison < 0 : comparison > 0;
    };
    QTreeWidgetItem *focused = currentItem();
    const int focusedColumn = currentColumn();
    const QList<QTreeWidgetItem *> selected = selectedItems();
    QList<QTreeWidgetItem *> rows = invisibleRootItem()->takeChildren();
    std::stable_sort(rows.begin(), rows.end(), before);
    addTopLevelItems(rows);
    for (QTreeWidgetItem *item : selected)
        item->setSelected(true);
    if (focused)
        setCurrentItem(focused, focusedColumn, QItemSelectionModel::NoUpdate);
}

void ReportList::clearSortMark()
{
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void ReportList::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if (m_inDoubleClick || (button != Qt::LeftButton && button != Qt::RightButton)) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    QTreeWidget::mousePressEvent(event);
    const QPoint point = event->position().toPoint();
    m_currentRow = rowAt(point);
    if (button == Qt::RightButton)
        Q_EMIT rowRightClicked(event->globalPosition().toPoint(), m_currentRow);
    else if (m_currentRow >= 0 && isLinkCell(point))
        Q_EMIT linkClicked(m_currentRow);
    else
        Q_EMIT rowClicked(m_currentRow);
}

void ReportList::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QTreeWidget::mouseDoubleClickEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    {
        // The view may hand the double click on as a press; that is no second left click.
        const QScopedValueRollback guard(m_inDoubleClick, true);
        QTreeWidget::mouseDoubleClickEvent(event);
    }
    m_currentRow = rowAt(event->position().toPoint());
    Q_EMIT rowDoubleClicked(event->globalPosition().toPoint(), m_currentRow);
}

void ReportList::mouseMoveEvent(QMouseEvent *event)
{
    QTreeWidget::mouseMoveEvent(event);
    if (isLinkCell(event->position().toPoint()))
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void ReportList::keyPressEvent(QKeyEvent *event)
{
    QTreeWidget::keyPressEvent(event);
    m_currentRow = selectionMark();
    const QPoint point = event->key() == Qt::Key_Menu ? contextMenuPoint() : mapToGlobal(QPoint(0, 0));
    Q_EMIT keyPressed(event->key(), m_currentRow, point);
}

int ReportList::rowAt(const QPoint &viewportPoint) const
{
    const QModelIndex index = indexAt(viewportPoint);
    return index.isValid() ? index.row() : -1;
}

bool ReportList::isLinkCell(const QPoint &viewportPoint) const
{
    const QModelIndex index = indexAt(viewportPoint);
    return index.isValid() && index.column() == m_linkColumn;
}

// Where the keyboard's context-menu key puts a menu: just inside the focused row, or near the
// top-left corner of the list when no row has the focus.
QPoint ReportList::contextMenuPoint() const
{
    const QTreeWidgetItem *item = topLevelItem(m_currentRow);
    if (!item)
        return mapToGlobal(QPoint(0, 23));
    const QRect row = visualItemRect(item);
    return viewport()->mapToGlobal(QPoint(row.left() + 15, row.top() + row.height() - 10));
}

void ReportList::giveCheckBoxes(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        QTreeWidgetItem *item = topLevelItem(row);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        if (!item->data(0, Qt::CheckStateRole).isValid())
            item->setCheckState(0, Qt::Unchecked);
    }
}
