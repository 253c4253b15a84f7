#pragma once
// Rasters that a library writes into.
//
// swscale's and libjpeg-turbo's SIMD code stores whole vectors: at the end of
// a row whose byte width is not a multiple of the vector size it writes on
// past the last pixel, and past the end of the last row of a buffer sized
// exactly width × height. A QImage sized by Qt has no room for that, so such
// a write corrupts the heap (a 1080-pixel-wide portrait frame does it), and
// AddressSanitizer cannot see it because the library code is not
// instrumented. Every buffer handed to such a library comes from here.
//
// Pure; any thread.

#include <QImage>
#include <QSize>

namespace PaddedImage {

// Row strides are a multiple of this many bytes (FFmpeg's widest SIMD
// alignment), and the buffer ends with this many spare bytes after a spare row.
inline constexpr int alignment = 64;

// Bytes per row of a `width`-pixel row of `bytesPerPixel`-byte pixels.
qsizetype strideFor(int width, int bytesPerPixel);

// A new image of `size` and a 32-bit `format` (RGB32, ARGB32, ARGB32
// premultiplied, RGBX/RGBA8888) whose rows are padded to `alignment`, with a
// spare row and `alignment` spare bytes after the last row. The pixels are
// aligned, owned by the image (freed when its last copy goes) and not
// initialised. Copies share the buffer as any QImage does; a copy that
// detaches gets an ordinary Qt buffer, which must then not be handed to a
// library for writing. Null when the size is empty or memory runs out.
QImage make(QSize size, QImage::Format format);

} // namespace PaddedImage
