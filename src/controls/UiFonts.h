// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

// The program's fonts keep their Windows family names; these substitutes with close metrics stand
// in for them so that the fixed text rectangles still fit.
void registerFontSubstitutes();

// A "Segoe UI" font of the given size in points (this platform always takes the new look).
// Registers the substitutes on first use.
QFont uiFont(int pointSize, int weight = QFont::Normal);
