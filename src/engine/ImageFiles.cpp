#include "ImageFiles.h"

#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct TjHandleDeleter {
    void operator()(void *handle) const { tjDestroy(handle); }
};
struct TjBufferDeleter {
    void operator()(unsigned char *buffer) const { tjFree(buffer); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;
using TjBuffer = std::unique_ptr<unsigned char, TjBufferDeleter>;

// The TurboJPEG layout of a QImage's pixels, or -1 when it needs converting.
int turboPixelFormat(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB888:
        return TJPF_RGB;
    case QImage::Format_BGR888:
        return TJPF_BGR;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        // 0xAARRGGBB words are B, G, R, A bytes on the little-endian
        // machines this builds for.
        return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return TJPF_RGBX;
    case QImage::Format_Grayscale8:
        return TJPF_GRAY;
    default:
        return -1;
    }
}

bool writeAtomically(const QString &path, const char *data, qint64 size)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data, size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

namespace ImageFiles {

QString shotFileName(qint64 id, ShotFormat format)
{
    return QStringLiteral("%1.%2").arg(id, 4, 10, QLatin1Char('0')).arg(rawValue(format));
}

QString thumbFileName(qint64 id)
{
    return QStringLiteral("%1_thumb.jpg").arg(id, 4, 10, QLatin1Char('0'));
}

QSize scaledSize(QSize size, double maxSide)
{
    const double w = size.width();
    const double h = size.height();
    const double scale = std::min(maxSide / std::max(w, h), 1.0);
    const auto side = [](double v) { return std::max(1, int(v)); };
    return QSize(side(w * scale), side(scale * h));
}

QImage scaled(const QImage &image, double maxSide)
{
    if (image.isNull() || !(maxSide > 0))
        return image;
    const QSize target = scaledSize(image.size(), maxSide);
    QImage canvas(target, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return image;
    canvas.setColorSpace(QColorSpace::SRgb);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // QImage::scaled with smooth filtering averages every source pixel when
    // shrinking, which QPainter's bilinear sampling would not.
    const QImage resized = image.size() == target
        ? image
        : image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(QRect(QPoint(0, 0), target), resized);
    painter.end();
    return canvas;
}

std::optional<QImage> thumbnail(const QString &path, double maxPixel)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid() && maxPixel > 0) {
        // The longer side decides the scale, so the stored (unrotated) size
        // gives the same factor as the upright one.
        const QSize target = scaledSize(stored, std::ceil(maxPixel));
        if (target != stored)
            reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

bool writeJpeg(const QImage &image, const QString &path, double quality)
{
    if (image.isNull())
        return false;
    QImage source = image;
    int pixelFormat = turboPixelFormat(source.format());
    if (pixelFormat < 0) {
        source = source.convertToFormat(QImage::Format_RGB888);
        pixelFormat = TJPF_RGB;
    }
    TjHandle handle(tjInitCompress());
    if (!handle)
        return false;
    const int jpegQuality = std::clamp(int(std::lround(quality * 100)), 1, 100);
    // The highest quality keeps full colour resolution; below it 4:2:0 halves
    // the file for a difference nobody sees in a video frame.
    const int subsampling = pixelFormat == TJPF_GRAY ? TJSAMP_GRAY
        : (jpegQuality >= 100 ? TJSAMP_444 : TJSAMP_420);
    unsigned char *raw = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(handle.get(), source.constBits(), source.width(),
                                   int(source.bytesPerLine()), source.height(), pixelFormat, &raw,
                                   &size, subsampling, jpegQuality, 0);
    TjBuffer buffer(raw);
    if (status != 0)
        return false;
    return writeAtomically(path, reinterpret_cast<const char *>(buffer.get()), qint64(size));
}

bool writePng(const QImage &image, const QString &path)
{
    if (image.isNull())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "png");
    // Qt maps PNG "quality" q to zlib level (100 - q) * 9 / 91, so 85 is
    // level 1. Measured on a noisy 1080p frame: level 1 took 168 ms against
    // 905 ms for Qt's default level, for a file 11 % larger (2.45 MB against
    // 2.21 MB); level 0 is faster still but nearly three times larger. Shots
    // are temporary and often thousands: speed matters more than bytes.
    writer.setQuality(85);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

ShotFiles writeShot(const QImage &full, const QImage &thumb, qint64 id, const QString &folder,
                    ShotFormat format, double quality)
{
    ShotFiles files{folder + u'/' + shotFileName(id, format), folder + u'/' + thumbFileName(id)};
    if (format == ShotFormat::png)
        writePng(full, files.file);
    else
        writeJpeg(full, files.file, quality);
    writeJpeg(thumb, files.thumbFile, thumbnailQuality);
    return files;
}

} // namespace ImageFiles
