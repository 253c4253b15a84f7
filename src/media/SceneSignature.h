#pragma once
// A picture reduced to what telling scenes apart needs: a tiny RGB image and
// its colour histogram. Two pictures of one scene differ little in both even
// while things move; a cut changes the colours (the histogram) or, between
// scenes of one palette, the layout (the tiny image).
//
// Thread: a signature is a plain value; `SignatureMaker` one thread at a time.

#include "media/FfmpegPtr.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct SceneSignature {
    static constexpr int width = 32;
    static constexpr int height = 18;
    static constexpr int bins = 16;  // per colour channel
    static constexpr int binShare = 16;  // parts of a pixel shared between neighbouring bins

    std::array<uint8_t, size_t(width) * height * 3> rgb{};
    std::array<uint16_t, size_t(bins) * 3> histogram{};

    // 0 for equal pictures, 1 for opposites: the mean of the histograms'
    // share of colour moved (L1 / 2) and the tiny images' mean absolute
    // difference over 255.
    static float difference(const SceneSignature &a, const SceneSignature &b);
    // The histogram from `rgb`.
    void count();
};

// Makes signatures from decoded frames of any size and pixel format, reusing
// one scaler while the frames keep their format.
class SignatureMaker {
public:
    // None when the frame cannot be scaled.
    std::optional<SceneSignature> make(const AVFrame &frame);

private:
    // 8-bit YUV frames are averaged block by block into a tiny 4:4:4 picture
    // first, which only then is converted: swscale's area filter over the
    // whole frame cost a seventh of a scene scan's time.
    bool averageYuv(const AVFrame &frame);
    std::optional<SceneSignature> convert(const uint8_t *const planes[4], const int strides[4], int width, int height,
                                          AVPixelFormat format);

    SwsContext *m_scaler = nullptr;  // owned by m_owner; sws_getCachedContext may replace it
    SwsContextPtr m_owner;
    AVPixelFormat m_tinyFormat = AV_PIX_FMT_NONE;
    // Three planes of rows `tinyStride` apart, with room after the last row
    // for the scaler's vector reads.
    static constexpr int tinyStride = 64;
    static constexpr int tinyPlane = tinyStride * SceneSignature::height;
    alignas(64) std::array<uint8_t, size_t(tinyPlane) * 3 + 64> m_tiny{};
    std::vector<uint32_t> m_columns;    // one block row's column sums, for tall frames
    std::vector<uint16_t> m_columns16;  // the same, for frames up to 257 rows a block
};
