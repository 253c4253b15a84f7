#include "share/SheetLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Every layout length ends up in a qint64; absurd inputs (a huge width, a
// needle-thin video) are clamped far beyond anything drawable instead of
// overflowing. isDrawable() and the renderer's size guard reject them.
constexpr double lengthLimit = 1e15;

qint64 toLength(double v)
{
    if (std::isnan(v))
        return 0;
    return qint64(std::clamp(v, -lengthLimit, lengthLimit));
}

// Halves away from zero: 56.5 gives 57.
qint64 rounded(double v)
{
    return toLength(std::round(v));
}

qint64 floored(double v)
{
    return toLength(std::floor(v));
}

} // namespace

SheetLayout SheetLayout::compute(qint64 shots, QSizeF videoSize, const SheetOptions &options)
{
    SheetLayout l;
    const double w = options.width;
    const qint64 n = std::max<qint64>(shots, 0);
    l.s = w / 2400.0;
    l.width = options.width;
    l.m = rounded(56 * l.s);
    l.g = rounded(14 * l.s);
    l.c = options.columns < 1 ? 1 : std::min<qint64>(options.columns, n);
    l.r = l.c > 0 ? (n + l.c - 1) / l.c : 0;
    l.cw = l.c > 0 ? floored((w - 2.0 * double(l.m) - double(l.c - 1) * double(l.g)) / double(l.c)) : 0;
    // A size without a usable height is as unknown as one without a width:
    // both would give cells of no height, so both fall back to 16:9.
    const double vw = videoSize.width();
    const double vh = videoSize.height();
    const bool known = std::isfinite(vw) && std::isfinite(vh) && vw > 0 && vh > 0;
    l.ch = known ? rounded(vh / vw * double(l.cw)) : rounded(0.5625 * double(l.cw));
    // A note is one more line of 40 under the summary.
    l.hh = options.showHeader ? rounded((options.hasNote() ? 172 : 132) * l.s) : 0;
    l.fh = options.badge ? rounded(52 * l.s) : 0;
    const double rows = double(l.r);
    l.height = toLength(2.0 * double(l.m) + double(l.hh) + rows * double(l.ch)
                        + std::max(rows - 1, 0.0) * double(l.g) + double(l.fh));
    l.x0 = rounded((w - (double(l.c - 1) * double(l.g) + double(l.c) * double(l.cw))) * 0.5);
    l.y0 = l.m + l.hh;
    l.cornerRadius = 10 * l.s;
    return l;
}

QRect SheetLayout::cell(qint64 i) const
{
    const qint64 col = c > 0 ? i % c : 0;
    const qint64 row = c > 0 ? i / c : 0;
    return QRect(int(x0 + col * (cw + g)), int(y0 + row * (ch + g)), int(cw), int(ch));
}

bool SheetLayout::isDrawable() const
{
    return width > 0 && height > 0 && c > 0 && r > 0 && cw > 0 && ch > 0;
}
