#pragma once
// Where a panel that drops down from a control goes. A pure function of
// rectangles in global coordinates, so the rules can be checked without a
// screen.
//
// The panel hangs below the control, centred on it. When centring would push
// it past the right edge of the control's window it lines up with the
// control's right edge instead (a control at the right end of a toolbar),
// past the left edge with the control's left edge. When there is no room
// below on the screen it opens above the control; the screen's available
// area wins over everything else, so the panel never leaves it (unless it is
// larger than that area, when its top-left corner stays on screen).

#include <QPoint>
#include <QRect>
#include <QSize>

namespace PopupPlacement {

// The panel's top-left corner. `anchor` is the control, `window` the
// control's window, `available` the screen area usable by windows; `gap` is
// the space between the control and the panel.
QPoint dropDown(const QRect &anchor, const QSize &panel, const QRect &window,
                const QRect &available, int gap);

} // namespace PopupPlacement
