#include "PopupPlacement.h"

#include <algorithm>

namespace {

const QRect *FirstOverlap(const QRect &candidate, const QList<QRect> &taken)
{
    const auto hit = std::find_if(taken.cbegin(), taken.cend(),
                                  [&](const QRect &other) { return other.intersects(candidate); });
    return hit == taken.cend() ? nullptr : &*hit;
}

} // namespace

std::optional<QRect> FindPopupPlace(const QRect &workArea, const QSize &size, const QList<QRect> &taken)
{
    if (size.isEmpty() || size.width() > workArea.width() || size.height() > workArea.height())
        return std::nullopt;
    QRect candidate(QPoint(0, 0), size);
    candidate.moveBottomRight(workArea.bottomRight());
    while (candidate.left() >= workArea.left()) {
        const QRect *overlap = FirstOverlap(candidate, taken);
        if (!overlap)
            return candidate;
        // Skip straight past the popup in the way: every place in between overlaps it too.
        candidate.moveBottom(overlap->top() - 1);
        if (candidate.top() < workArea.top()) {
            candidate.moveRight(candidate.left() - 1);
            candidate.moveBottom(workArea.bottom());
        }
    }
    return std::nullopt;
}
