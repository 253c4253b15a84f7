#include "widgets/PopupPlacement.h"

#include <algorithm>

namespace {

// Exclusive ends: QRect::right() and bottom() are the last pixel inside.
int rightEnd(const QRect &rect) { return rect.x() + rect.width(); }
int bottomEnd(const QRect &rect) { return rect.y() + rect.height(); }

// `start` moved so that [start, start + length) lies in [low, high) where it
// fits; a span longer than the range keeps its start at `low`.
int clampSpan(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length));
}

} // namespace

QPoint PopupPlacement::dropDown(const QRect &anchor, const QSize &panel, const QRect &window,
                                const QRect &available, int gap)
{
    int x = anchor.x() + (anchor.width() - panel.width()) / 2;
    if (x + panel.width() > rightEnd(window))
        x = rightEnd(anchor) - panel.width();
    else if (x < window.x())
        x = anchor.x();
    x = clampSpan(x, panel.width(), available.x(), rightEnd(available));

    int y = bottomEnd(anchor) + gap;
    const int above = anchor.y() - gap - panel.height();
    if (y + panel.height() > bottomEnd(available) && above >= available.y())
        y = above;
    y = clampSpan(y, panel.height(), available.y(), bottomEnd(available));
    return {x, y};
}
