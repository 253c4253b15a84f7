#pragma once
// Tone mapping of high dynamic range frames (PQ or HLG transfer) to standard
// dynamic range: the picture is taken to linear light (100 nits as reference
// white), its primaries converted to BT.709, its highlights compressed with
// the Hable curve and the result encoded with the BT.709 transfer, as SDR
// video is. Without it, an HDR frame shown as SDR looks washed out: lifted
// blacks, dull highlights and faded colours.
//
// Any thread, several at once. Filter graphs are built per frame shape and
// kept for the next frames of that shape, whichever thread maps them.

#include "media/FfmpegPtr.h"

namespace HdrToneMap {

// True for frames whose transfer characteristic is PQ (SMPTE ST 2084) or HLG
// (ARIB STD-B67).
bool isHdr(const AVFrame &frame);

// An SDR copy of `frame` as 8-bit planar RGB (AV_PIX_FMT_GBRP, full range,
// BT.709 primaries and transfer) at the frame's own size; null when the
// filter graph cannot be built or run for it.
FramePtr toSdr(const AVFrame &frame);

} // namespace HdrToneMap
