#include "media/DisplayTransform.h"

#include "media/SpareBuffers.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int signOf(double value)
{
    return value < 0 ? -1 : 1;
}

// Bytes one element of `plane` takes (a sample, or a UV pair in NV12-like
// layouts); 0 when the plane is absent.
int elementSize(const AVPixFmtDescriptor *desc, int plane)
{
    int size = 0;
    for (int i = 0; i < desc->nb_components; ++i)
        if (desc->comp[i].plane == plane)
            size = std::max(size, desc->comp[i].step);
    return size;
}

int planeCount(const AVPixFmtDescriptor *desc)
{
    int planes = 0;
    for (int i = 0; i < desc->nb_components; ++i)
        planes = std::max(planes, desc->comp[i].plane + 1);
    return planes;
}

// Whether every plane can be moved element by element: no bit packing, no
// palette or hardware surface, and no packed plane holding pixels of
// different sizes (YUYV). Turning by a quarter also needs square chroma cells.
bool remappable(const AVPixFmtDescriptor *desc, bool swapsAxes)
{
    if (desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL))
        return false;
    if (swapsAxes && desc->log2_chroma_w != desc->log2_chroma_h)
        return false;
    if (!(desc->flags & AV_PIX_FMT_FLAG_PLANAR) && desc->nb_components > 1 && desc->log2_chroma_w > 0)
        return false;
    for (int plane = 0; plane < planeCount(desc); ++plane)
        if (elementSize(desc, plane) <= 0)
            return false;
    return true;
}

// `frame` converted to planar 4:4:4 of the same depth class (8 or 16 bit).
FramePtr toPlanar444(const AVFrame *frame)
{
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (!desc || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
        return nullptr;
    const bool rgb = desc->flags & AV_PIX_FMT_FLAG_RGB;
    const bool deep = desc->comp[0].depth > 8;
    const AVPixelFormat target = rgb ? (deep ? AV_PIX_FMT_GBRP16 : AV_PIX_FMT_GBRP)
                                     : (deep ? AV_PIX_FMT_YUV444P16 : AV_PIX_FMT_YUV444P);
    SwsContextPtr sws(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                     frame->width, frame->height, target, SWS_POINT, nullptr,
                                     nullptr, nullptr));
    FramePtr out = makeFrame();
    if (!sws || !out)
        return nullptr;
    out->format = target;
    out->width = frame->width;
    out->height = frame->height;
    if (av_frame_get_buffer(out.get(), 0) < 0 || av_frame_copy_props(out.get(), frame) < 0)
        return nullptr;
    if (sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, out->data,
                  out->linesize) != frame->height)
        return nullptr;
    return out;
}

} // namespace

DisplayTransform DisplayTransform::fromMatrix(const int32_t *matrix)
{
    DisplayTransform t;
    if (!matrix)
        return t;
    const double a = matrix[0], b = matrix[1], c = matrix[3], d = matrix[4];
    if (std::abs(a) + std::abs(d) >= std::abs(b) + std::abs(c)) {
        t.a = signOf(a);
        t.d = signOf(d);
        t.b = t.c = 0;
    } else {
        t.a = t.d = 0;
        t.b = signOf(b);
        t.c = signOf(c);
    }
    return t;
}

DisplayTransform DisplayTransform::ofStream(const AVStream *stream)
{
    size_t size = 0;
    const uint8_t *data =
        av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return {};
    return fromMatrix(reinterpret_cast<const int32_t *>(data));
}

QSize DisplayTransform::displaySize(QSize coded, AVRational sar) const
{
    int width = coded.width();
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
        width = int(std::lround(double(width) * sar.num / sar.den));
    const QSize shown(std::max(1, width), coded.height());
    return swapsAxes() ? shown.transposed() : shown;
}

FramePtr DisplayTransform::apply(const AVFrame *frame) const
{
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return nullptr;
    if (isIdentity())
        return FramePtr(av_frame_clone(frame));

    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (!desc)
        return nullptr;
    FramePtr converted;
    if (!remappable(desc, swapsAxes())) {
        converted = toPlanar444(frame);
        if (!converted)
            return nullptr;
        frame = converted.get();
        desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    }

    FramePtr out = makeFrame();
    if (!out)
        return nullptr;
    out->format = frame->format;
    out->width = swapsAxes() ? frame->height : frame->width;
    out->height = swapsAxes() ? frame->width : frame->height;
    if (SpareBuffers::frameBuffer(out.get()) < 0 || av_frame_copy_props(out.get(), frame) < 0)
        return nullptr;
    // The picture is upright now; a matrix left on it would turn it again.
    av_frame_remove_side_data(out.get(), AV_FRAME_DATA_DISPLAYMATRIX);
    if (swapsAxes() && frame->sample_aspect_ratio.num > 0)
        out->sample_aspect_ratio = AVRational{frame->sample_aspect_ratio.den, frame->sample_aspect_ratio.num};

    for (int plane = 0; plane < planeCount(desc); ++plane) {
        const bool chroma = (plane == 1 || plane == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int sw = chroma ? AV_CEIL_RSHIFT(frame->width, desc->log2_chroma_w) : frame->width;
        const int sh = chroma ? AV_CEIL_RSHIFT(frame->height, desc->log2_chroma_h) : frame->height;
        const int ow = swapsAxes() ? sh : sw;
        const int oh = swapsAxes() ? sw : sh;
        const int size = elementSize(desc, plane);
        const ptrdiff_t srcStride = frame->linesize[plane];
        // Source position of output element (x', y'), about the centres and
        // in doubled units so odd sizes stay exact: the transform is a signed
        // permutation, so its inverse is its transpose.
        //   2x = a·(2x' − (ow−1)) + b·(2y' − (oh−1)) + (sw−1)
        //   2y = c·(2x' − (ow−1)) + d·(2y' − (oh−1)) + (sh−1)
        // Moving one element right in the output moves (a, c) in the source.
        const ptrdiff_t step = ptrdiff_t(a) * size + ptrdiff_t(c) * srcStride;
        // In tiles: a turn reads the source down its columns, and a tile's
        // source rows stay in the cache while it is written (a 1080p turn
        // took 3 to 4 times as long row by row, on the decoding thread).
        constexpr int tile = 64;
        for (int y0 = 0; y0 < oh; y0 += tile) {
            const int y1 = std::min(oh, y0 + tile);
            for (int x0 = 0; x0 < ow; x0 += tile) {
                const int width = std::min(ow, x0 + tile) - x0;
                for (int y = y0; y < y1; ++y) {
                    const int sx = (a * (2 * x0 - (ow - 1)) + b * (2 * y - (oh - 1)) + (sw - 1)) / 2;
                    const int sy = (c * (2 * x0 - (ow - 1)) + d * (2 * y - (oh - 1)) + (sh - 1)) / 2;
                    const uint8_t *src = frame->data[plane] + ptrdiff_t(sy) * srcStride + ptrdiff_t(sx) * size;
                    uint8_t *dst = out->data[plane] + ptrdiff_t(y) * out->linesize[plane] + ptrdiff_t(x0) * size;
                    if (size == 1) {
                        for (int x = 0; x < width; ++x, src += step)
                            dst[x] = *src;
                    } else {
                        for (int x = 0; x < width; ++x, src += step, dst += size)
                            std::memcpy(dst, src, size_t(size));
                    }
                }
            }
        }
    }
    return out;
}
