#include "media/ImageFiles.h"

#include "media/PaddedImage.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QTransform>

#include <turbojpeg.h>
#include <webp/encode.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <memory>

namespace {

// WebP's effort (0 fastest … 6 smallest). Chosen by bench/webp on 1080p
// frames: see the figures there.
constexpr int webpLossyMethod = 2;
// WebP's quality scale keeps more detail than JPEG's at the same number: at
// the JPEG quality less this, it still matches JPEG's SSIM on filmed-looking
// frames (grain, fog, night) at about two thirds of the size.
constexpr double webpQualityBelowJpeg = 2;
constexpr int webpLosslessMethod = 1;

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

// Fills `error` (when given) for a failed write of `path`; errno is read
// first, before anything else can change it.
bool failWrite(MediaError *error, const QString &path, const QString &reason)
{
    const int code = errno;
    if (error) {
        *error = MediaError::failed(MediaError::Step::write, reason, code);
        error->file = path;
    }
    return false;
}

bool writeAtomically(const QString &path, const char *data, qint64 size, MediaError *error)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return failWrite(error, path, QStringLiteral("cannot create: ") + file.errorString());
    if (file.write(data, size) != size) {
        failWrite(error, path, QStringLiteral("cannot write: ") + file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return failWrite(error, path, QStringLiteral("cannot finish: ") + file.errorString());
    return true;
}

// The orientation a JPEG's EXIF data asks for; Qt's reader finds it in the
// header without decoding any pixels.
QImageIOHandler::Transformations jpegOrientation(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return reader.transformation();
}

// Mirrors first, then turns clockwise: the order in which the flags of
// QImageIOHandler::Transformations compose.
QImage oriented(QImage image, QImageIOHandler::Transformations transformation)
{
    const bool mirror = transformation.testFlag(QImageIOHandler::TransformationMirror);
    const bool flip = transformation.testFlag(QImageIOHandler::TransformationFlip);
    if (mirror || flip)
        image = std::move(image).mirrored(mirror, flip);
    if (transformation.testFlag(QImageIOHandler::TransformationRotate90))
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// The smallest size the decoder can reduce `stored` to by a factor n/8 (at
// most 1) that still covers `cover`.
QSize jpegCoveringSize(QSize stored, QSize cover)
{
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    QSize best = stored;
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue;
        const QSize size(TJSCALED(stored.width(), f), TJSCALED(stored.height(), f));
        if (size.width() >= cover.width() && size.height() >= cover.height()
            && size.width() < best.width())
            best = size;
    }
    return best;
}

// The fast path for JPEG: scaled while decoding, straight into the pixel
// layout the painter draws from. None for anything TurboJPEG cannot turn
// into RGB (not a JPEG, CMYK, a fatal decoding error).
std::optional<QImage> decodeJpegCovering(const QByteArray &data, QSize cover)
{
    TjHandle handle(tjInitDecompress());
    if (!handle)
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, size, &width, &height, &subsampling, &colourspace) != 0
        || colourspace == TJCS_CMYK || colourspace == TJCS_YCCK || width <= 0 || height <= 0)
        return std::nullopt;
    const QImageIOHandler::Transformations transformation = jpegOrientation(data);
    const bool turned = transformation.testFlag(QImageIOHandler::TransformationRotate90);
    const QSize decoded = jpegCoveringSize(QSize(width, height), turned ? cover.transposed() : cover);
    QImage image = PaddedImage::make(decoded, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    // Format_RGB32 wants 0xffRRGGBB words: B, G, R, A bytes in memory on a
    // little-endian machine, with the alpha byte set.
    const int pixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRA : TJPF_ARGB;
    // A warning (such as a truncated file) still leaves a full picture,
    // grey where data was missing, as other decoders show it.
    if (tjDecompress2(handle.get(), bytes, size, image.bits(), decoded.width(),
                      int(image.bytesPerLine()), decoded.height(), pixelFormat, 0)
            != 0
        && tjGetErrorCode(handle.get()) != TJERR_WARNING)
        return std::nullopt;
    return oriented(std::move(image), transformation);
}

// Reads with Qt's decoders, EXIF orientation applied, at the size
// `target` picks for the stored (not yet turned) picture.
std::optional<QImage> readScaled(QImageReader &reader, const std::function<QSize(QSize stored, bool turned)> &target)
{
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid()) {
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize size = target(stored, turned);
        if (size != stored)
            reader.setScaledSize(size);
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QImage> decodeOtherCovering(const QByteArray &data, QSize cover)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readScaled(reader, [cover](QSize stored, bool turned) {
        return ImageFiles::coveringSize(stored, turned ? cover.transposed() : cover);
    });
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
    return readScaled(reader, [maxPixel](QSize stored, bool) {
        // The longer side decides the scale, so the stored (unrotated) size
        // gives the same factor as the upright one.
        return maxPixel > 0 ? scaledSize(stored, std::ceil(maxPixel)) : stored;
    });
}

QSize coveringSize(QSize image, QSize cover)
{
    if (image.isEmpty() || cover.isEmpty())
        return image;
    const double w = image.width();
    const double h = image.height();
    const double k = std::max(cover.width() / w, cover.height() / h);
    if (k >= 1)
        return image;
    // A side that comes out whole must not be rounded up by the last bit of
    // a floating-point product.
    const auto side = [k](double v, int limit) {
        return std::clamp(int(std::ceil(v * k - 1e-9)), 1, limit);
    };
    return QSize(side(w, image.width()), side(h, image.height()));
}

std::optional<QImage> decodeCovering(const QString &path, QSize cover)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (data.isEmpty())
        return std::nullopt;
    if (auto image = decodeJpegCovering(data, cover))
        return image;
    return decodeOtherCovering(data, cover);
}

bool writeJpeg(const QImage &image, const QString &path, double quality, MediaError *error)
{
    errno = 0;
    if (image.isNull())
        return failWrite(error, path, QStringLiteral("no image to encode"));
    QImage source = image;
    int pixelFormat = turboPixelFormat(source.format());
    if (pixelFormat < 0) {
        source = source.convertToFormat(QImage::Format_RGB888);
        pixelFormat = TJPF_RGB;
    }
    TjHandle handle(tjInitCompress());
    if (!handle)
        return failWrite(error, path, QStringLiteral("no JPEG encoder: ") + QString::fromUtf8(tjGetErrorStr2(nullptr)));
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
        return failWrite(error, path, QStringLiteral("JPEG encoding: ") + QString::fromUtf8(tjGetErrorStr2(handle.get())));
    return writeAtomically(path, reinterpret_cast<const char *>(buffer.get()), qint64(size), error);
}

bool writePng(const QImage &image, const QString &path, MediaError *error)
{
    errno = 0;
    if (image.isNull())
        return failWrite(error, path, QStringLiteral("no image to encode"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failWrite(error, path, QStringLiteral("cannot create: ") + file.errorString());
    QImageWriter writer(&file, "png");
    // Qt maps PNG "quality" q to zlib level (100 - q) * 9 / 91, so 85 is
    // level 1. Measured on a noisy 1080p frame: level 1 took 168 ms against
    // 905 ms for Qt's default level, for a file 11 % larger (2.45 MB against
    // 2.21 MB); level 0 is faster still but nearly three times larger. Shots
    // are temporary and often thousands: speed matters more than bytes.
    writer.setQuality(85);
    if (!writer.write(image)) {
        failWrite(error, path, QStringLiteral("PNG encoding: ") + writer.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return failWrite(error, path, QStringLiteral("cannot finish: ") + file.errorString());
    return true;
}

bool writeWebp(const QImage &image, const QString &path, double quality, MediaError *error)
{
    errno = 0;
    if (image.isNull())
        return failWrite(error, path, QStringLiteral("no image to encode"));
    static_assert(webpMaxSide == WEBP_MAX_DIMENSION);
    if (image.width() > webpMaxSide || image.height() > webpMaxSide)
        return failWrite(error, path, QStringLiteral("WebP encoding: larger than 16383 pixels"));
    const bool lossless = quality >= 1.0;
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return failWrite(error, path, QStringLiteral("WebP encoding: library version mismatch"));
    config.lossless = lossless ? 1 : 0;
    config.quality = lossless ? 25.0f : float(std::clamp(quality * 100.0 - webpQualityBelowJpeg, 0.0, 100.0));
    config.method = lossless ? webpLosslessMethod : webpLossyMethod;
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return failWrite(error, path, QStringLiteral("WebP encoding: library version mismatch"));
    const std::unique_ptr<WebPPicture, void (*)(WebPPicture *)> owned(&picture, WebPPictureFree);
    picture.use_argb = lossless ? 1 : 0;
    picture.width = image.width();
    picture.height = image.height();
    // Frames are opaque: imported without alpha, the encoder writes no
    // alpha plane. Decoded frames arrive as RGB32, read in place.
    const bool inPlace = image.format() == QImage::Format_RGB32 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const QImage source = inPlace ? image : image.convertToFormat(QImage::Format_RGB888);
    const int imported = source.isNull() ? 0
        : inPlace ? WebPPictureImportBGRX(&picture, source.constBits(), int(source.bytesPerLine()))
                  : WebPPictureImportRGB(&picture, source.constBits(), int(source.bytesPerLine()));
    if (!imported)
        return failWrite(error, path, QStringLiteral("WebP encoding: out of memory"));
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    const std::unique_ptr<WebPMemoryWriter, void (*)(WebPMemoryWriter *)> output(&writer, WebPMemoryWriterClear);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    if (!WebPEncode(&config, &picture))
        return failWrite(error, path, QStringLiteral("WebP encoding failed (error %1)").arg(int(picture.error_code)));
    return writeAtomically(path, reinterpret_cast<const char *>(writer.mem), qint64(writer.size), error);
}

std::optional<ShotFiles> writeShot(const QImage &full, const QImage &thumb, qint64 id, const QString &folder,
                                   ShotFormat format, double quality, MediaError *error)
{
    ShotFiles files{folder + u'/' + shotFileName(id, format), folder + u'/' + thumbFileName(id)};
    const bool wroteFull = format == ShotFormat::png  ? writePng(full, files.file, error)
                         : format == ShotFormat::webp ? writeWebp(full, files.file, quality, error)
                                                      : writeJpeg(full, files.file, quality, error);
    if (!wroteFull)
        return std::nullopt;
    if (!writeJpeg(thumb, files.thumbFile, thumbnailQuality, error)) {
        QFile::remove(files.file);
        return std::nullopt;
    }
    return files;
}

} // namespace ImageFiles
