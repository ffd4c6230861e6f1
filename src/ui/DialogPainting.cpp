// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogPainting.h"

#include <QPainter>

namespace {

constexpr int kRuleGap = 8;

} // namespace

QPalette whiteDialogPalette()
{
    // Qt derives every other role from these two: black text, white bases, grey disabled text.
    return QPalette(QColor(0xF0, 0xF0, 0xF0), Qt::white);
}

int drawDialogHeading(QPainter &painter, int x, int y, const QString &text)
{
    const QRect bounds = painter.boundingRect(QRect(x, y, 2000, 100), Qt::AlignLeft | Qt::AlignTop, text);
    painter.fillRect(bounds, Qt::white);
    painter.drawText(bounds, Qt::AlignLeft | Qt::AlignTop, text);
    return bounds.right();
}

void drawHeadingRule(QPainter &painter, int start, int headingEnd, int y, int end)
{
    painter.save();
    painter.setPen(QPen(kDialogRuleColour, 1));
    painter.drawLine(qMax(start, headingEnd + kRuleGap), y, end, y);
    painter.restore();
}
