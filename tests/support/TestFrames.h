#pragma once
// Decoded-looking frames that tests fill themselves.

#include "media/FfmpegPtr.h"

namespace TestFrames {

// A frame of `format` and `width` × `height` with its buffers allocated as
// a decoder's would be and every byte zero; null when allocation fails.
FramePtr zeroed(AVPixelFormat format, int width, int height);

} // namespace TestFrames
