#pragma once
// The geometry of a share image as plain numbers, so it can be checked without
// drawing. Every length is designed for a 2400-pixel-wide canvas and scales
// linearly with the requested width; lengths are output pixels.

#include "basics/SheetOptions.h"

#include <QRect>
#include <QSizeF>

struct SheetLayout {
    double s = 0;       // scale factor: width / 2400
    qint64 width = 0;   // W
    qint64 m = 0;       // outer margin
    qint64 g = 0;       // gap between cells, both directions
    qint64 c = 0;       // columns actually used
    qint64 r = 0;       // rows
    qint64 cw = 0;      // cell width
    qint64 ch = 0;      // cell height
    qint64 hh = 0;      // header height, 0 without header
    qint64 fh = 0;      // footer (badge) height, 0 without badge
    qint64 height = 0;  // H
    qint64 x0 = 0;      // grid left, centred
    qint64 y0 = 0;      // grid top
    double cornerRadius = 0;   // of every cell

    // `shots` is the number of cells; `videoSize` gives the cell aspect ratio
    // (16:9 when it has no usable width or height). Pure; never fails, but
    // the numbers only describe a drawable sheet when isDrawable().
    static SheetLayout compute(qint64 shots, QSizeF videoSize, const SheetOptions &options);

    // Cell i (0-based) in list order: row by row, left to right; the last row
    // stays left-aligned.
    QRect cell(qint64 i) const;

    // At least one cell of at least one pixel each way on a positive canvas.
    bool isDrawable() const;
};
