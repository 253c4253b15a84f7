#pragma once
// How a stream's pictures are turned for display: the display matrix reduced
// to a quarter-turn rotation with optional mirroring, the size pictures are
// shown at, and the pixel remap that makes a decoded frame upright.
//
// Plain value; any thread.

#include "media/FfmpegPtr.h"

#include <QSize>

#include <cstdint>

struct DisplayTransform {
    // Linear part, entries -1, 0 or 1, in picture coordinates (y down):
    // shown x' = a·x + c·y, shown y' = b·x + d·y (about the picture centre).
    int a = 1, b = 0, c = 0, d = 1;

    // From a 3×3 display matrix (16.16 fixed point, FFmpeg layout); null gives
    // the identity. Angles that are not quarter turns snap to the nearest one.
    static DisplayTransform fromMatrix(const int32_t *matrix);
    // The stream's display matrix side data, else the identity.
    static DisplayTransform ofStream(const AVStream *stream);

    bool isIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1; }
    // True for 90° and 270°: width and height trade places.
    bool swapsAxes() const { return a == 0; }

    // Size shown for a `coded` picture with sample aspect ratio `sar` (the
    // width stretched by it; unknown or invalid ratios count as square), then
    // turned.
    QSize displaySize(QSize coded, AVRational sar) const;

    // An upright copy of `frame` in its own pixel format (when it can be
    // remapped directly; packed subsampled, hardware and palette formats, and
    // 4:2:2-like ones that must be turned, are first converted to planar
    // 4:4:4). Colour properties and the timestamp are kept. Independent of
    // the decoder's buffers. Null when out of memory or the format cannot be
    // handled at all.
    FramePtr apply(const AVFrame *frame) const;
};
