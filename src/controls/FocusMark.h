// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPainter;
class QWidget;

// Draws the style's keyboard focus mark around the widget when it has focus, so controls that
// paint themselves still show where the keyboard is.
void paintFocusMark(QPainter &painter, const QWidget &widget);
