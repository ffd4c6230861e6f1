// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListPage.h"

#include "PictureButton.h"
#include "ReportList.h"
#include "UiFonts.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <algorithm>

namespace {

const QColor kHeadingBand(0xDD, 0xDD, 0xDD);
const QRect kHeadingBandRect(QPoint(60, 75), QPoint(953, 104));
const QRect kListGround(QPoint(60, 105), QPoint(953, 434));
const QRect kListRect(QPoint(60, 106), QPoint(953, 434));
constexpr QPoint kHeadingAt(65, 80);

} // namespace

ListPage::ListPage(const char16_t *headingKey, CommandActions *commands, QWidget *parent)
    : Page(parent, commands)
    , m_pageFont(uiFont(10, QFont::Normal))
    , m_heading(text(headingKey))
{
    using enum PictureId;
    PictureButton *home
        = addButton(CmdShowSummary, nullptr, { Home, HomeHover, HomePressed, HomeDisabled }, QRect(15, 40, 32, 32));
    // A picture without a caption: screen readers and the tooltip name it after where it leads.
    home->setAccessibleName(text(u"IDS_SUMMARY"));
    home->setToolTip(home->accessibleName());
}

ReportList *ListPage::addList(const QList<const char16_t *> &headingKeys, const QList<int> &widths)
{
    m_list = new ReportList(this);
    m_list->setAccessibleName(m_heading);
    m_list->setGeometry(kListRect);
    m_list->setFont(m_pageFont);
    QStringList headings;
    for (const char16_t *key : headingKeys)
        headings.append(text(key));
    m_list->setHeaderLabels(headings);
    for (int column = 0; column < widths.size(); ++column)
        m_list->setColumnWidth(column, widths.at(column));

    connect(m_list, &ReportList::rowClicked, this, [this](int row) {
        setCurrentRow(row);
        rowClicked(row);
    });
    connect(m_list, &ReportList::linkClicked, this, [this](int row) {
        setCurrentRow(row);
        linkClicked(row);
    });
    connect(m_list, &ReportList::rowRightClicked, this, [this](const QPoint &screenPoint, int row) {
        setCurrentRow(row);
        showMenu(screenPoint);
    });
    connect(m_list, &ReportList::rowDoubleClicked, this, [this](const QPoint &screenPoint, int row) {
        setCurrentRow(row);
        // The press on a link has acted already: one gesture, one action.
        if (m_list->columnAt(m_list->viewport()->mapFromGlobal(screenPoint).x()) == m_list->linkColumn())
            return;
        m_open->trigger();
    });
    connect(m_list, &ReportList::keyPressed, this, [this](int key, int, const QPoint &screenPoint) {
        setCurrentRow(m_list->selectionMark());
        onKey(key, screenPoint);
        setCurrentRow(m_list->selectionMark());
    });
    return m_list;
}

void ListPage::setRowCommands(QAction *open, QAction *remove, const QList<QAction *> &menu)
{
    m_open = open;
    m_remove = remove;
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("listMenu"));
    m_menu->addActions(menu);
}

void ListPage::setCurrentRow(int row)
{
    m_currentRow = row;
    updateCommands();
}

QList<QTreeWidgetItem *> ListPage::selectedRows() const
{
    // Each row's place looked up once: a thousand selected rows would otherwise take a
    // noticeable while to sort.
    QList<std::pair<int, QTreeWidgetItem *>> placed;
    for (QTreeWidgetItem *item : m_list->selectedItems())
        placed.append({ m_list->indexOfTopLevelItem(item), item });
    std::sort(placed.begin(), placed.end());
    QList<QTreeWidgetItem *> selected;
    selected.reserve(placed.size());
    for (const auto &[row, item] : std::as_const(placed))
        selected.append(item);
    return selected;
}

void ListPage::onKey(int key, const QPoint &screenPoint)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_open->trigger();
        break;
    case Qt::Key_Delete:
        m_remove->trigger();
        break;
    case Qt::Key_Menu:
        showMenu(screenPoint);
        break;
    case Qt::Key_F5:
        refresh();
        break;
    default:
        break;
    }
}

void ListPage::showMenu(const QPoint &screenPoint)
{
    m_menu->exec(screenPoint);
}

void ListPage::paintEvent(QPaintEvent *event)
{
    Page::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(kHeadingBandRect, kHeadingBand);
    painter.fillRect(kListGround, Qt::white);
    painter.setFont(m_pageFont);
    painter.setPen(Qt::black);
    painter.drawText(QRect(kHeadingAt, kHeadingBandRect.bottomRight()), Qt::AlignLeft | Qt::AlignTop, m_heading);
}
