#pragma once
// Turns a decoded, upright frame into what the writers encode: a full-size
// sRGB raster at the frame's display size and a thumbnail of at most
// `thumbSide` pixels on its longer side, both converted straight from the
// decoder's planes with the stream's colour matrix and range (untagged HD
// video is BT.709, untagged SD BT.601). HDR frames (PQ or HLG transfer) are
// first tone mapped to SDR (see HdrToneMap.h); should that fail they are
// converted as they are, pale but complete. Every other frame goes straight
// to swscale. Pure; any thread.

#include "media/FrameGenerator.h"

#include <QImage>

#include <optional>

namespace FrameConverter {

struct Images {
    QImage full;   // displaySize, 8 bits per channel (Format_RGB32, or ARGB32
                   // when the video has alpha), sRGB
    QImage thumb;  // ImageFiles::scaledSize(displaySize, thumbSide), same format
};

// None when the frame's pixel format cannot be converted.
std::optional<Images> convert(const VideoFrame &frame, double thumbSide = 480);

// The full-range "j" formats are the plain formats with full range implied;
// swscale wants the plain format plus an explicit range. Sets `fullRange`
// for a "j" format and leaves it as it is otherwise.
AVPixelFormat withoutImpliedRange(AVPixelFormat format, bool &fullRange);

} // namespace FrameConverter
