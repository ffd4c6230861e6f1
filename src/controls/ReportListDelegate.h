// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Draws and drives the rows of ReportList the way the system report list does: the link column in
// blue, every other column in black, and a row's check box toggled on the button press (so the
// list's click report already sees the new state) or by the space bar on any cell of the row.
class ReportListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ReportListDelegate(QObject *parent = nullptr);

    void setLinkColumn(int column) { m_linkColumn = column; }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

private:
    bool isOnCheckBox(QEvent *event, const QStyleOptionViewItem &option, const QModelIndex &index) const;

    int m_linkColumn = -1;
};
