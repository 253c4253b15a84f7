#include "media/SpareBuffers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// Large buffers start on a huge page boundary and ask for huge pages: the
// kernel then maps 2 MB at a fault instead of 4 KB. In a virtual machine
// each fault is dear; on a short phone clip a decoder's frame pool alone
// took 12,000 of them.
constexpr std::size_t hugePage = std::size_t(2) << 20;

void *allocate(std::size_t bytes)
{
    void *buffer = nullptr;
    if (bytes < hugePage)
        return posix_memalign(&buffer, 64, std::max<std::size_t>(bytes, 1)) == 0 ? buffer : nullptr;
    const std::size_t whole = (bytes + hugePage - 1) / hugePage * hugePage;
    if (posix_memalign(&buffer, hugePage, whole) != 0)
        return nullptr;
    madvise(buffer, whole, MADV_HUGEPAGE);  // a hint; failure costs nothing
    return buffer;
}

void *takeSpare(std::size_t bytes, bool *fresh)
{
    if (fresh)
        *fresh = false;
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
    if (fresh)
        *fresh = true;
    return allocate(bytes);
}

void giveBack(void *bytes, uint8_t *data)
{
    give(data, std::size_t(reinterpret_cast<uintptr_t>(bytes)));
}

// One buffer for all planes of a `format` picture with rows `linesizes`
// apart and `height` rows, each plane aligned and followed by `padding`
// spare bytes; fresh buffers are zeroed when `zeroFresh`.
int planesBuffer(AVFrame *frame, AVPixelFormat format, const int linesizes[4], int height, std::size_t padding,
                 bool zeroFresh)
{
    constexpr std::size_t align = 64;
    ptrdiff_t strides[4] = {};
    for (int i = 0; i < 4; ++i)
        strides[i] = linesizes[i];
    size_t sizes[4] = {};
    if (const int rc = av_image_fill_plane_sizes(sizes, format, height, strides); rc < 0)
        return rc;
    size_t offsets[4] = {};
    size_t total = 0;
    for (int i = 0; i < 4; ++i) {
        offsets[i] = total;
        if (sizes[i] > 0)
            total += FFALIGN(sizes[i] + padding, align);
    }
    bool fresh = false;
    void *buffer = takeSpare(total, &fresh);
    if (!buffer)
        return AVERROR(ENOMEM);
    if (fresh && zeroFresh)
        std::memset(buffer, 0, total);
    AVBufferRef *ref = av_buffer_create(static_cast<uint8_t *>(buffer), total, giveBack,
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

} // namespace

void *take(std::size_t bytes)
{
    return takeSpare(bytes, nullptr);
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
            std::free(s.spares.front().buffer);
            s.bytes -= s.spares.front().bytes;
            s.spares.erase(s.spares.begin());
        }
        s.spares.push_back({buffer, bytes});
        s.bytes += bytes;
        return;
    }
    std::free(buffer);
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
    for (int &linesize : linesizes)
        linesize = FFALIGN(linesize, align);
    // Room after each plane for a vector read past its last row.
    return planesBuffer(frame, format, linesizes, frame->height, align, false);
}

int decoderBuffer(AVCodecContext *codec, AVFrame *frame, int flags)
{
    const auto format = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (codec->codec_type != AVMEDIA_TYPE_VIDEO || !(codec->codec->capabilities & AV_CODEC_CAP_DR1) || !desc
        || (desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL)) || frame->width <= 0
        || frame->height <= 0)
        return avcodec_default_get_buffer2(codec, frame, flags);
    // The decoder's own needs: dimensions rounded up to its block size, and
    // rows aligned as its vector code wants, widened until they are.
    int width = frame->width;
    int height = frame->height;
    int strideAlign[AV_NUM_DATA_POINTERS] = {};
    avcodec_align_dimensions2(codec, &width, &height, strideAlign);
    int linesizes[4] = {};
    for (int attempt = 0;; ++attempt) {
        if (attempt > 16 || av_image_fill_linesizes(linesizes, format, width) < 0)
            return avcodec_default_get_buffer2(codec, frame, flags);
        bool aligned = true;
        for (int i = 0; i < 4; ++i)
            aligned = aligned && (strideAlign[i] <= 0 || linesizes[i] % strideAlign[i] == 0);
        if (aligned)
            break;
        width += width & ~(width - 1);
    }
    // Decoders may read a little past a plane's end; as FFmpeg's own pool,
    // new buffers start zeroed so that nothing reads uninitialised memory.
    return planesBuffer(frame, format, linesizes, height, 16 + 64 - 1, true);
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
        std::free(spare.buffer);
}

std::size_t kept()
{
    Store &s = store();
    const std::lock_guard guard(s.lock);
    return s.bytes;
}

} // namespace SpareBuffers
