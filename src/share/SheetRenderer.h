#pragma once
// Draws a share image: one video's shots in a grid, with an optional header
// (file name and summary), timestamp labels and a "Made with Framelark" line.

#include "basics/Records.h"
#include "basics/SheetOptions.h"
#include "share/SheetLayout.h"

#include <QImage>
#include <QList>

#include <optional>

namespace SheetRenderer {

// Larger canvases are refused rather than allocated: 256 megapixels is a
// gigabyte of raster, already far beyond anything a sheet is shared at.
inline constexpr qint64 maxPixels = qint64(1) << 28;

// Renders `shots` (in grid order) of the video described by `video`.
//
// Result: an options.width × H image in Format_ARGB32_Premultiplied, sRGB,
// every pixel opaque; H follows from SheetLayout. None when there are no
// shots, when the layout has nothing drawable (a width too small for one
// pixel per cell) or when the canvas is larger than maxPixels or cannot be
// allocated. A shot file that is missing or cannot be decoded becomes an
// empty cell; nothing is reported.
//
// Threads: callable from any thread while a QGuiApplication exists; blocks
// until done. The canvas is allocated first (so nothing is decoded when it
// cannot be) and filled in parallel; then every shot file is decoded at about
// the size that covers its cell (ImageFiles::decodeCovering) and drawn into
// its own cell in parallel on the global thread pool (the calling thread
// takes part, so calling it from a pool thread cannot deadlock; cells never
// overlap, so no lock is needed). Header, labels and badge are drawn after
// all cells. Holds no state between calls; one decoded shot per pool thread
// is in memory at a time.
std::optional<QImage> render(const QList<Shot> &shots, const VideoInfo &video,
                             const SheetOptions &options);

} // namespace SheetRenderer
