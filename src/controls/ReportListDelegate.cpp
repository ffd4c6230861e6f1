// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportListDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

const QColor kLinkText(0, 0, 255);
const QColor kPlainText(0, 0, 0);

bool toggleCheck(QAbstractItemModel *model, const QModelIndex &rowStart)
{
    if (!(rowStart.flags() & Qt::ItemIsUserCheckable) || !rowStart.data(Qt::CheckStateRole).isValid())
        return false;
    const bool checked = rowStart.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(rowStart, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

} // namespace

ReportListDelegate::ReportListDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void ReportListDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // The same colour on selected rows too: the list's light selection keeps both readable.
    const QColor text = index.column() == m_linkColumn ? kLinkText : kPlainText;
    option->palette.setColor(QPalette::Text, text);
    option->palette.setColor(QPalette::HighlightedText, text);
}

bool ReportListDelegate::editorEvent(
    QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return isOnCheckBox(event, option, index) && toggleCheck(model, index);
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // The press has toggled already; the release and a second click must not undo it.
        return isOnCheckBox(event, option, index);
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        return key == Qt::Key_Space && toggleCheck(model, index.siblingAtColumn(0));
    }
    default:
        return false;
    }
}

bool ReportListDelegate::isOnCheckBox(QEvent *event, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton || !index.data(Qt::CheckStateRole).isValid())
        return false;
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget)
        .contains(mouse->position().toPoint());
}
