#include "support/TestFrames.h"

#include <cstring>

namespace TestFrames {

FramePtr zeroed(AVPixelFormat format, int width, int height)
{
    FramePtr frame = makeFrame();
    if (!frame)
        return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    for (AVBufferRef *buffer : frame->buf)
        if (buffer)
            std::memset(buffer->data, 0, buffer->size);
    return frame;
}

} // namespace TestFrames
