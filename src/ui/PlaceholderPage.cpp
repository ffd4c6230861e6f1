#include "PlaceholderPage.h"

#include "PageColours.h"

#include <QPainter>

PlaceholderPage::PlaceholderPage(PageKind kind, QWidget *parent)
    : Page(parent)
    , m_kind(kind)
{
}

void PlaceholderPage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintPageBackground(painter, rect());
}
