// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <optional>

// Where a new notification popup of the given size goes, given the work area and the final
// rectangles of the popups already shown by the same stack: the bottom-right corner first, then
// upward, then column by column to the left. Empty when the work area has no free place.
std::optional<QRect> findPopupPlace(const QRect &workArea, const QSize &size, const QList<QRect> &taken);
