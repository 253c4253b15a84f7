#pragma once
// A decoded picture as the writers take it: turned upright as the stream
// says, with the size it is shown at. One rule for the frame generator and
// the scene scan, so a frame the scan kept is the frame a generator would
// have given for the same time.
//
// Thread: any, with `input` not used by another thread meanwhile. Failure:
// none when memory runs out.

#include "media/FrameGenerator.h"

#include <optional>

class VideoInput;
struct AVFrame;

std::optional<VideoFrame> uprightFrame(const VideoInput &input, const AVFrame *frame);
