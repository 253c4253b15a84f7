#include "media/SpareBuffers.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace SpareBuffers {

namespace {

struct Spare {
    void *buffer = nullptr;
    std::size_t bytes = 0;
};

struct Store {
    std::mutex lock;
    std::vector<Spare> spares;  // the most recently given last
    std::size_t bytes = 0;
};

Store &store()
{
    // Never destroyed: buffers may come back from threads that outlive main.
    static Store *const instance = new Store;
    return *instance;
}

} // namespace

void *take(std::size_t bytes)
{
    if (bytes >= smallest) {
        Store &s = store();
        const std::lock_guard guard(s.lock);
        const auto found = std::find_if(s.spares.rbegin(), s.spares.rend(),
                                        [&](const Spare &spare) { return spare.bytes == bytes; });
        if (found != s.spares.rend()) {
            void *buffer = found->buffer;
            s.bytes -= bytes;
            s.spares.erase(std::next(found).base());
            return buffer;
        }
    }
    return av_malloc(bytes);
}

void give(void *buffer, std::size_t bytes)
{
    if (!buffer)
        return;
    if (bytes >= smallest && bytes <= mostKept) {
        Store &s = store();
        const std::lock_guard guard(s.lock);
        // The oldest spares make room: a run's sizes stay the same.
        while (s.bytes + bytes > mostKept) {
            av_free(s.spares.front().buffer);
            s.bytes -= s.spares.front().bytes;
            s.spares.erase(s.spares.begin());
        }
        s.spares.push_back({buffer, bytes});
        s.bytes += bytes;
        return;
    }
    av_free(buffer);
}

int frameBuffer(AVFrame *frame)
{
    constexpr int align = 64;
    const auto format = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (!desc || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL) || frame->width <= 0 || frame->height <= 0)
        return AVERROR(EINVAL);
    int linesizes[4] = {};
    if (const int rc = av_image_fill_linesizes(linesizes, format, frame->width); rc < 0)
        return rc;
    ptrdiff_t strides[4] = {};
    for (int i = 0; i < 4; ++i) {
        linesizes[i] = FFALIGN(linesizes[i], align);
        strides[i] = linesizes[i];
    }
    size_t sizes[4] = {};
    if (const int rc = av_image_fill_plane_sizes(sizes, format, frame->height, strides); rc < 0)
        return rc;
    // Each plane starts aligned and is followed by room for a vector read
    // past its last row.
    size_t offsets[4] = {};
    size_t total = 0;
    for (int i = 0; i < 4; ++i) {
        offsets[i] = total;
        if (sizes[i] > 0)
            total += FFALIGN(sizes[i], size_t(align)) + align;
    }
    void *buffer = take(total);
    if (!buffer)
        return AVERROR(ENOMEM);
    AVBufferRef *ref = av_buffer_create(
        static_cast<uint8_t *>(buffer), total,
        [](void *bytes, uint8_t *data) { give(data, size_t(reinterpret_cast<uintptr_t>(bytes))); },
        reinterpret_cast<void *>(uintptr_t(total)), 0);
    if (!ref) {
        give(buffer, total);
        return AVERROR(ENOMEM);
    }
    av_buffer_unref(&frame->buf[0]);
    frame->buf[0] = ref;
    for (int i = 0; i < 4; ++i) {
        frame->data[i] = sizes[i] > 0 ? ref->data + offsets[i] : nullptr;
        frame->linesize[i] = sizes[i] > 0 ? linesizes[i] : 0;
    }
    frame->extended_data = frame->data;
    return 0;
}

void release()
{
    Store &s = store();
    std::vector<Spare> spares;
    {
        const std::lock_guard guard(s.lock);
        spares.swap(s.spares);
        s.bytes = 0;
    }
    for (const Spare &spare : spares)
        av_free(spare.buffer);
}

std::size_t kept()
{
    Store &s = store();
    const std::lock_guard guard(s.lock);
    return s.bytes;
}

} // namespace SpareBuffers
