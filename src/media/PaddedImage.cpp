#include "media/PaddedImage.h"

#include "media/SpareBuffers.h"

#include <limits>

namespace {

struct Pixels {
    void *buffer = nullptr;
    std::size_t bytes = 0;
};

void givePixels(void *info)
{
    auto *pixels = static_cast<Pixels *>(info);
    SpareBuffers::give(pixels->buffer, pixels->bytes);
    delete pixels;
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
    // Aligned to the widest vector FFmpeg uses.
    auto *pixels = new Pixels{nullptr, std::size_t(stride * rows + alignment)};
    pixels->buffer = SpareBuffers::take(pixels->bytes);
    if (!pixels->buffer) {
        delete pixels;
        return {};
    }
    QImage image(static_cast<uchar *>(pixels->buffer), size.width(), size.height(), stride, format, givePixels,
                 pixels);
    if (image.isNull())
        givePixels(pixels);
    return image;
}

} // namespace PaddedImage
