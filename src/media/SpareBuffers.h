#pragma once
// Large pixel buffers kept for reuse. Each shot needs a few full-size
// buffers (the upright frame, the RGB picture) that live for milliseconds;
// fresh ones come from the kernel as untouched pages, and faulting them in
// was a tenth of a short phone clip's extraction time. A buffer given back
// waits here for the next request of the same size.
//
// Thread: any; calls are serialised inside. Ownership: a taken buffer is
// the caller's until given back (or freed with av_free). Failure: `take`
// returns null when memory runs out.

#include <cstddef>

struct AVFrame;

namespace SpareBuffers {

// Buffers smaller than this are left to the allocator, which reuses them well.
inline constexpr std::size_t smallest = std::size_t(512) << 10;
// At most this many bytes wait here: a few 1080p pictures, one 4K one.
inline constexpr std::size_t mostKept = std::size_t(64) << 20;

// A buffer of `bytes`, aligned for FFmpeg's SIMD code, with unspecified contents.
void *take(std::size_t bytes);

// Hands back a buffer of `bytes` from `take`: kept when there is room, freed otherwise.
void give(void *buffer, std::size_t bytes);

// As av_frame_get_buffer for a video `frame` whose format, width and height
// are set: one buffer for all planes, rows aligned to 64 bytes, padded for
// SIMD reads past the end; it comes back here when the frame's last
// reference goes. 0 or a negative AVERROR.
int frameBuffer(AVFrame *frame);

// Frees every waiting buffer (short of memory, or idle).
void release();

// How many bytes wait now.
std::size_t kept();

} // namespace SpareBuffers
