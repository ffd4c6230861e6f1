// SPDX-License-Identifier: GPL-3.0-or-later
#include "FocusMark.h"

#include <QPainter>
#include <QWidget>

void paintFocusMark(QPainter &painter, const QWidget &widget)
{
    if (!widget.hasFocus())
        return;
    // Black dots on a white line: seen on the teal pages, on white dialogs and on any picture,
    // whatever the style would draw (some styles draw nothing without a recent key press).
    const QRect mark = widget.rect().adjusted(0, 0, -1, -1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(mark);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(mark);
    painter.restore();
}
