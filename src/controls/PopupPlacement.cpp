// SPDX-License-Identifier: GPL-3.0-or-later
#include "PopupPlacement.h"

namespace {

// Popups keep one pixel clear between them: their windows stand one pixel taller than their
// places, so neighbours then meet edge to edge.
constexpr int kGap = 1;

// The first taken place, grown by the gap, that the candidate touches.
std::optional<QRect> firstOverlap(const QRect &candidate, const QList<QRect> &taken)
{
    for (const QRect &other : taken) {
        const QRect guarded = other.adjusted(-kGap, -kGap, kGap, kGap);
        if (guarded.intersects(candidate))
            return guarded;
    }
    return std::nullopt;
}

} // namespace

std::optional<QRect> findPopupPlace(const QRect &workArea, const QSize &size, const QList<QRect> &taken)
{
    if (size.isEmpty() || size.width() > workArea.width() || size.height() > workArea.height())
        return std::nullopt;
    QRect candidate(QPoint(0, 0), size);
    candidate.moveBottomRight(workArea.bottomRight());
    while (candidate.left() >= workArea.left()) {
        const std::optional<QRect> overlap = firstOverlap(candidate, taken);
        if (!overlap)
            return candidate;
        // Skip straight past the popup in the way: every place in between overlaps it too.
        candidate.moveBottom(overlap->top() - 1);
        if (candidate.top() < workArea.top()) {
            candidate.moveRight(candidate.left() - 1 - kGap);
            candidate.moveBottom(workArea.bottom());
        }
    }
    return std::nullopt;
}
