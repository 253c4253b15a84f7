#include "media/SceneSignature.h"

#include "media/FrameConverter.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

float SceneSignature::difference(const SceneSignature &a, const SceneSignature &b)
{
    long moved = 0;
    for (size_t i = 0; i < a.histogram.size(); ++i)
        moved += std::abs(int(a.histogram[i]) - int(b.histogram[i]));
    long distance = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        distance += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    // Each channel's histogram holds every pixel once, in `binShare` parts.
    const double histogram = double(moved) / (2.0 * 3.0 * width * height * binShare);
    const double pixels = double(distance) / (255.0 * double(a.rgb.size()));
    return float((histogram + pixels) / 2);
}

void SceneSignature::count()
{
    // Each value is shared between the two bins whose centres it lies
    // between, by its distance to each. Counted whole into one bin, the
    // values of a picture of nearly one colour drifting slowly crossed into
    // the next bin together: a Game of Life whose dead cells darkened
    // stepped 2.5 times as much as its neighbouring frames in one frame,
    // which cut. Shared, the film-like benchmark clip's least cut stands
    // out further from its surroundings too.
    constexpr int binWidth = 256 / bins;
    histogram.fill(0);
    for (size_t i = 0; i < rgb.size(); ++i) {
        uint16_t *channel = histogram.data() + (i % 3) * bins;
        const int fromCentre = int(rgb[i]) - binWidth / 2;
        if (fromCentre < 0) {
            channel[0] += binShare;
            continue;
        }
        const int bin = fromCentre / binWidth;
        const int toNext = fromCentre % binWidth * binShare / binWidth;
        if (bin + 1 >= bins) {
            channel[bins - 1] += binShare;
            continue;
        }
        channel[bin] += uint16_t(binShare - toNext);
        channel[bin + 1] += uint16_t(toNext);
    }
}

namespace {

// Averages one plane of `width` × `height` samples `step` bytes apart into
// the signature's blocks, written to `out` rows `tinyStride` apart.
template <typename Sum>
void sumBlocks(const uint8_t *base, ptrdiff_t stride, int step, int width, int height, std::vector<Sum> &columns,
               uint8_t *out, int tinyStride)
{
    constexpr int w = SceneSignature::width, h = SceneSignature::height;
    columns.resize(size_t(width));
    for (int by = 0; by < h; ++by) {
        const int y0 = by * height / h, y1 = (by + 1) * height / h;
        std::fill(columns.begin(), columns.end(), Sum(0));
        Sum *sums = columns.data();
        for (int y = y0; y < y1; ++y) {
            const uint8_t *row = base + ptrdiff_t(y) * stride;
            if (step == 1) {
                for (int x = 0; x < width; ++x)
                    sums[x] = Sum(sums[x] + row[x]);
            } else {
                for (int x = 0; x < width; ++x)
                    sums[x] = Sum(sums[x] + row[ptrdiff_t(x) * step]);
            }
        }
        for (int bx = 0; bx < w; ++bx) {
            const int x0 = bx * width / w, x1 = (bx + 1) * width / w;
            uint32_t sum = 0;
            for (int x = x0; x < x1; ++x)
                sum += sums[x];
            const uint32_t count = uint32_t((y1 - y0) * (x1 - x0));
            out[by * tinyStride + bx] = uint8_t((sum + count / 2) / count);
        }
    }
}

} // namespace

bool SignatureMaker::averageYuv(const AVFrame &frame)
{
    constexpr int w = SceneSignature::width, h = SceneSignature::height;
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(frame.format));
    if (!desc || desc->nb_components != 3 || (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_HWACCEL
                                                             | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE)))
        return false;
    for (int c = 0; c < 3; ++c) {
        if (desc->comp[c].depth != 8 || desc->comp[c].shift != 0)
            return false;
    }
    for (int c = 0; c < 3; ++c) {
        const AVComponentDescriptor &comp = desc->comp[c];
        const int planeWidth = c == 0 ? frame.width : AV_CEIL_RSHIFT(frame.width, desc->log2_chroma_w);
        const int planeHeight = c == 0 ? frame.height : AV_CEIL_RSHIFT(frame.height, desc->log2_chroma_h);
        if (planeWidth < w || planeHeight < h)
            return false;  // blocks would be empty
        const uint8_t *base = frame.data[comp.plane] + comp.offset;
        const ptrdiff_t stride = frame.linesize[comp.plane];
        uint8_t *out = m_tiny.data() + size_t(c) * tinyPlane;
        // Rows are summed column by column first (a loop the compiler
        // vectorises), then the columns block by block. 16-bit sums hold
        // up to 257 rows of 255 and take half the vector work of 32-bit
        // ones; the signature was a twentieth of a scan's time.
        const int blockRows = (planeHeight + h - 1) / h;
        if (blockRows <= 257)
            sumBlocks(base, stride, comp.step, planeWidth, planeHeight, m_columns16, out, tinyStride);
        else
            sumBlocks(base, stride, comp.step, planeWidth, planeHeight, m_columns, out, tinyStride);
    }
    // Only the full-range "j" formats are read as full range, as swscale
    // reads the whole frame.
    bool fullRange = false;
    FrameConverter::withoutImpliedRange(AVPixelFormat(frame.format), fullRange);
    m_tinyFormat = fullRange ? AV_PIX_FMT_YUVJ444P : AV_PIX_FMT_YUV444P;
    return true;
}

std::optional<SceneSignature> SignatureMaker::convert(const uint8_t *const planes[4], const int strides[4], int width,
                                                      int height, AVPixelFormat format)
{
    // An area average: every source pixel counts, so noise and fine motion
    // average out instead of flickering through a point sample.
    m_scaler = sws_getCachedContext(m_scaler, width, height, format, SceneSignature::width, SceneSignature::height,
                                    AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr);
    if (m_owner.get() != m_scaler) {
        (void)m_owner.release(); // the cached-context call freed the old one itself
        m_owner.reset(m_scaler);
    }
    if (!m_scaler)
        return std::nullopt;
    // The scaler's vector code may write past the end of a row, so it gets
    // a padded buffer of its own rather than the signature's packed pixels.
    constexpr int rowBytes = SceneSignature::width * 3;
    constexpr int stride = 128;
    alignas(64) uint8_t scratch[stride * SceneSignature::height + 64];
    uint8_t *out[4] = {scratch, nullptr, nullptr, nullptr};
    int outStrides[4] = {stride, 0, 0, 0};
    if (sws_scale(m_scaler, planes, strides, 0, height, out, outStrides) != SceneSignature::height)
        return std::nullopt;
    SceneSignature signature;
    for (int y = 0; y < SceneSignature::height; ++y)
        std::memcpy(signature.rgb.data() + y * rowBytes, scratch + y * stride, rowBytes);
    signature.count();
    return signature;
}

std::optional<SceneSignature> SignatureMaker::make(const AVFrame &frame)
{
    if (frame.width <= 0 || frame.height <= 0)
        return std::nullopt;
    if (averageYuv(frame)) {
        const uint8_t *planes[4] = {m_tiny.data(), m_tiny.data() + tinyPlane, m_tiny.data() + 2 * tinyPlane, nullptr};
        const int strides[4] = {tinyStride, tinyStride, tinyStride, 0};
        return convert(planes, strides, SceneSignature::width, SceneSignature::height, m_tinyFormat);
    }
    return convert(frame.data, frame.linesize, frame.width, frame.height, AVPixelFormat(frame.format));
}
