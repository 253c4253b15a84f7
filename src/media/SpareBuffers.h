#pragma once
// Large pixel buffers kept for reuse, and backed by huge pages. Each shot
// needs a few full-size buffers (the decoded picture, the upright frame,
// the RGB picture) that live for milliseconds; fresh ones come from the
// kernel as untouched pages, and faulting them in 4 KB at a time was a
// tenth of a short phone clip's extraction time. A buffer given back waits
// here for the next request of the same size.
//
// Thread: any; calls are serialised inside. Ownership: a taken buffer is
// the caller's until given back (or freed with std::free). Failure: `take`
// returns null when memory runs out.

#include <cstddef>

struct AVCodecContext;
struct AVFrame;

namespace SpareBuffers {

// Buffers smaller than this are left to the allocator, which reuses them well.
inline constexpr std::size_t smallest = std::size_t(512) << 10;
// At most this many bytes (as asked for) wait here: a few 1080p pictures,
// one 4K one. Buffers of 2 MB and more take whole huge pages, up to a
// third more at 1080p.
inline constexpr std::size_t mostKept = std::size_t(64) << 20;

// A buffer of `bytes`, aligned for FFmpeg's SIMD code, with unspecified
// contents; free it with give() or std::free.
void *take(std::size_t bytes);

// Hands back a buffer of `bytes` from `take`: kept when there is room, freed otherwise.
void give(void *buffer, std::size_t bytes);

// As av_frame_get_buffer for a video `frame` whose format, width and height
// are set: one buffer for all planes, rows aligned to 64 bytes, padded for
// SIMD reads past the end; it comes back here when the frame's last
// reference goes. 0 or a negative AVERROR.
int frameBuffer(AVFrame *frame);

// A get_buffer2 for decoders: their pictures in spare buffers too, for
// software decoders that take outside buffers; others get FFmpeg's own.
int decoderBuffer(AVCodecContext *codec, AVFrame *frame, int flags);

// Frees every waiting buffer (short of memory, or idle).
void release();

// How many bytes wait now.
std::size_t kept();

} // namespace SpareBuffers
