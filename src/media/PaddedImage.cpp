#include "media/PaddedImage.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <limits>

namespace {

void freePixels(void *pixels)
{
    av_free(pixels);
}

} // namespace

namespace PaddedImage {

qsizetype strideFor(int width, int bytesPerPixel)
{
    const qsizetype bytes = qsizetype(width) * bytesPerPixel;
    return (bytes + alignment - 1) / alignment * alignment;
}

QImage make(QSize size, QImage::Format format)
{
    if (size.isEmpty() || QImage::toPixelFormat(format).bitsPerPixel() != 32)
        return {};
    const qsizetype stride = strideFor(size.width(), 4);
    const qsizetype rows = qsizetype(size.height()) + 1;
    if (rows > (std::numeric_limits<qsizetype>::max() - alignment) / stride
        || stride > std::numeric_limits<int>::max())
        return {};
    // av_malloc aligns to the widest vector FFmpeg uses.
    auto *pixels = static_cast<uchar *>(av_malloc(size_t(stride * rows + alignment)));
    if (!pixels)
        return {};
    QImage image(pixels, size.width(), size.height(), stride, format, freePixels, pixels);
    if (image.isNull())
        av_free(pixels);
    return image;
}

} // namespace PaddedImage
