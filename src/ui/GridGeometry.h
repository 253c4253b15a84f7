#pragma once
// Geometry of the shot grid and the thumbnail frames, as plain values so the
// rules are tested without widgets. Lengths are logical pixels.
//
// Pure; any thread.

#include <QRectF>
#include <QSizeF>

namespace GridGeometry {

// Space around the grid inside its scrolling area.
inline constexpr double inset = 16;
// Between columns and between rows.
inline constexpr double spacing = 12;
// No column is narrower than this unless a single column has less room.
inline constexpr double minColumnWidth = 200;

struct Columns {
    int count = 1;
    double width = 0;
    bool operator==(const Columns &) const = default;
};

// The most columns of at least minColumnWidth that fit `width` (the width
// inside the inset) with `spacing` between them, at least one, sharing the
// whole width. A negative or non-finite width gives one column of width 0.
Columns columns(double width);

// Width ÷ height of a video's frames: the display size when both sides are
// positive, else 16:9.
double aspect(const QSizeF &size);

// The cell rectangle of the cell at `index` (row by row) in content
// coordinates, the inset included.
QRectF cellRect(int index, const Columns &columns, double cellHeight);

// The height of the content holding `cells` cells, the inset included.
double contentHeight(int cells, const Columns &columns, double cellHeight);

// The largest rectangle of `aspect` that fits `space`, centred in it.
QRectF fitted(const QRectF &space, double aspect);

} // namespace GridGeometry
