// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckComboBox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QStylePainter>
#include <QStyledItemDelegate>

CheckComboBox::CheckComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // Check boxes drawn beside each item's text in the open list.
    setItemDelegate(new QStyledItemDelegate(this));
    connect(model(), &QAbstractItemModel::rowsInserted, this,
        [this](const QModelIndex &, int first, int last) { giveCheckBoxes(first, last); });
    // The list's own handlers would close it on a release or a space; ours run first.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

Result<> CheckComboBox::setCheck(int index, bool checked)
{
    if (index < 0 || index >= count())
        return invalid(QStringLiteral("no item %1 in a list of %2").arg(index).arg(count()));
    setItemData(index, checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    update();
    return {};
}

bool CheckComboBox::isChecked(int index) const
{
    return itemData(index, Qt::CheckStateRole).toInt() == Qt::Checked;
}

QString CheckComboBox::text() const
{
    const QString separator = listSeparator(locale());
    QString summary;
    for (int index = 0; index < count(); ++index) {
        if (!isChecked(index))
            continue;
        if (!summary.isEmpty())
            summary += separator;
        summary += itemText(index);
    }
    return summary;
}

QString CheckComboBox::listSeparator(const QLocale &locale)
{
    // The separator between the first two items of a longer list in the locale's own list
    // pattern (", " in English, "、" in Japanese).
    const QString first = QStringLiteral("\u0001");
    const QString second = QStringLiteral("\u0002");
    const QString list = locale.createSeparatedList({ first, second, QStringLiteral("\u0003") });
    const qsizetype start = list.indexOf(first) + 1;
    const qsizetype end = list.indexOf(second);
    QString separator = start > 0 && end >= start ? list.mid(start, end - start) : QString();
    while (!separator.isEmpty() && separator.back().isSpace())
        separator.chop(1);
    return (separator.isEmpty() ? QStringLiteral(";") : separator) + u' ';
}

bool CheckComboBox::eventFilter(QObject *watched, QEvent *event)
{
    const bool mouseButton = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    if (watched == view()->viewport() && mouseButton) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            toggleAt(mouse->position().toPoint());
        // Swallowing the release keeps the list open.
        return event->type() == QEvent::MouseButtonRelease;
    }
    if (watched == view() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        toggle(view()->currentIndex().row());
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void CheckComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentIcon = QIcon();
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(text(), Qt::ElideRight, field.width());
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void CheckComboBox::toggleAt(const QPoint &viewportPoint)
{
    // A point below the last item toggles nothing.
    const QModelIndex index = view()->indexAt(viewportPoint);
    if (index.isValid())
        toggle(index.row());
}

void CheckComboBox::toggle(int index)
{
    if (!setCheck(index, !isChecked(index)))
        return;
    view()->update(view()->model()->index(index, modelColumn()));
    Q_EMIT selectionChanged(index);
}

void CheckComboBox::giveCheckBoxes(int first, int last)
{
    auto *items = qobject_cast<QStandardItemModel *>(model());
    for (int row = first; row <= last; ++row) {
        if (QStandardItem *item = items ? items->item(row, modelColumn()) : nullptr) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setData(Qt::Unchecked, Qt::CheckStateRole);
        }
    }
}
