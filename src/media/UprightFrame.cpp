#include "media/UprightFrame.h"

#include "media/VideoInput.h"

std::optional<VideoFrame> uprightFrame(const VideoInput &input, const AVFrame *frame)
{
    const DisplayTransform transform = input.transform();
    FramePtr upright = transform.apply(frame);
    if (!upright)
        return std::nullopt;
    const AVRational sar = av_guess_sample_aspect_ratio(input.format(), input.stream(), const_cast<AVFrame *>(frame));
    return VideoFrame{std::move(upright), transform.displaySize(QSize(frame->width, frame->height), sar)};
}
