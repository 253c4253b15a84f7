#include "media/SceneSignature.h"

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
    // Each channel's histogram holds every pixel once.
    const double histogram = double(moved) / (2.0 * 3.0 * width * height);
    const double pixels = double(distance) / (255.0 * double(a.rgb.size()));
    return float((histogram + pixels) / 2);
}

void SceneSignature::count()
{
    histogram.fill(0);
    for (size_t i = 0; i < rgb.size(); ++i)
        ++histogram[(i % 3) * bins + rgb[i] * bins / 256];
}

std::optional<SceneSignature> SignatureMaker::make(const AVFrame &frame)
{
    if (frame.width <= 0 || frame.height <= 0)
        return std::nullopt;
    // An area average: every source pixel counts, so noise and fine motion
    // average out instead of flickering through a point sample.
    m_scaler = sws_getCachedContext(m_scaler, frame.width, frame.height, AVPixelFormat(frame.format),
                                    SceneSignature::width, SceneSignature::height, AV_PIX_FMT_RGB24, SWS_AREA,
                                    nullptr, nullptr, nullptr);
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
    uint8_t *planes[4] = {scratch, nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(m_scaler, frame.data, frame.linesize, 0, frame.height, planes, strides) != SceneSignature::height)
        return std::nullopt;
    SceneSignature signature;
    for (int y = 0; y < SceneSignature::height; ++y)
        std::memcpy(signature.rgb.data() + y * rowBytes, scratch + y * stride, rowBytes);
    signature.count();
    return signature;
}
