#include "ListPage.h"

#include "CommandId.h"
#include "ReportList.h"
#include "UiFonts.h"

#include <QPainter>

namespace {

const QColor kHeadingBand(0xDD, 0xDD, 0xDD);
const QRect kHeadingBandRect(QPoint(60, 75), QPoint(953, 104));
const QRect kListGround(QPoint(60, 105), QPoint(953, 434));
const QRect kListRect(QPoint(60, 106), QPoint(953, 434));
constexpr QPoint kHeadingAt(65, 80);

} // namespace

ListPage::ListPage(const char16_t *headingKey, QWidget *parent)
    : Page(parent)
    , m_pageFont(uiFont(10, QFont::Normal))
    , m_heading(text(headingKey))
{
}

ReportList *ListPage::addList(const QList<const char16_t *> &headingKeys, const QList<int> &widths)
{
    auto *list = new ReportList(this);
    list->setGeometry(kListRect);
    list->setFont(m_pageFont);
    QStringList headings;
    for (const char16_t *key : headingKeys)
        headings.append(text(key));
    list->setHeaderLabels(headings);
    for (int column = 0; column < widths.size(); ++column)
        list->setColumnWidth(column, widths.at(column));
    return list;
}

void ListPage::onCommand(int id)
{
    if (id == CmdShowSummary)
        Q_EMIT commandRequested(id);
    else
        Page::onCommand(id);
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
