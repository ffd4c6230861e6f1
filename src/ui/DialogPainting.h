// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QPainter;

// What the program's white dialogs paint: headings with a light rule running on after them.

inline const QColor kDialogRuleColour(0xDD, 0xDD, 0xDD);

// The palette of a white dialog: white behind dark text, and light controls with dark text on
// it, whatever the desktop's theme (a dark theme's light text would vanish on the white).
QPalette whiteDialogPalette();

// Draws text with its top-left corner at (x, y) on white and returns where it ends on the right.
int drawDialogHeading(QPainter &painter, int x, int y, const QString &text);

// The rule of a heading from start to end at y. It starts just after the heading instead when
// the heading's English reaches past start.
void drawHeadingRule(QPainter &painter, int start, int headingEnd, int y, int end);
