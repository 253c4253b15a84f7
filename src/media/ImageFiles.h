#pragma once
// Shot files on disk: their names, encoding a raster into them, and the two
// downscaling helpers the rest of the system uses. All functions are pure or
// touch only the files named; any thread.

#include "basics/Records.h"
#include "media/MediaError.h"

#include <QImage>
#include <QString>

#include <optional>

namespace ImageFiles {

// Thumbnails are written and read at this size of the longer side.
inline constexpr double thumbnailSide = 480;
inline constexpr double thumbnailQuality = 0.8;

// "0007.jpg" / "1999.png" and "0007_thumb.jpg".
QString shotFileName(qint64 id, ShotFormat format);
QString thumbFileName(qint64 id);

// The size `scaled` gives: the longer side at most maxSide, never enlarged,
// each side truncated and at least 1.
QSize scaledSize(QSize size, double maxSide);

// A new sRGB raster (B, G, R, A premultiplied) whose longer side is at most
// maxSide, drawn with high-quality filtering. Never fails: an image that
// cannot be scaled comes back unchanged.
QImage scaled(const QImage &image, double maxSide);

// Decodes `path` with its EXIF orientation applied, scaled while decoding so
// the longer side is at most ceil(maxPixel) (never enlarged). None when the
// file is missing or cannot be decoded.
std::optional<QImage> thumbnail(const QString &path, double maxPixel);

// The smallest size with the aspect ratio of `image` that covers `cover` in
// both directions, never larger than `image`: each side rounded up, at least 1.
// `cover` without area gives `image` itself.
QSize coveringSize(QSize image, QSize cover);

// Decodes `path` with its EXIF orientation applied, for drawing it scaled to
// fill an area of `cover` pixels (aspect fill). The result covers `cover` in
// both directions (unless the picture is smaller) and is at most about twice
// the covering size on each side, so the one resampling left to the drawing
// is a moderate reduction:
// - JPEG files are scaled inside the decoder by the smallest factor n/8 that
//   still covers `cover`; reducing the DCT blocks costs no pass of its own and
//   filters cleanly. The result is Format_RGB32.
// - Other formats are decoded in full and scaled smoothly to coveringSize.
// None when the file is missing or cannot be decoded.
std::optional<QImage> decodeCovering(const QString &path, QSize cover);

// Encodes into `path` atomically: the data goes to a temporary file in the
// same folder that is renamed over `path` only when complete, so a reader
// never sees half a file. Quality 0..1 maps to the encoder's 1..100 scale.
// Returns false (and leaves no file behind) when anything fails, and then
// fills `error` when given: the write step, the file, errno when the system
// refused (0 for an encoder's failure) and what went wrong.
bool writeJpeg(const QImage &image, const QString &path, double quality, MediaError *error = nullptr);
bool writePng(const QImage &image, const QString &path, MediaError *error = nullptr);
// WebP through libwebp: lossy at `quality` below 1, lossless at 1 (the
// highest JPEG quality asks for every detail; lossy WebP cannot give that).
inline constexpr int webpMaxSide = 16383;  // the format's limit, both ways
bool writeWebp(const QImage &image, const QString &path, double quality, MediaError *error = nullptr);

// The files of one shot: the full-size image and its JPEG thumbnail in
// `folder`. `thumb` is the frame already scaled to thumbnailSide.
// None when either file cannot be written (disk full, folder gone, no
// permission); then neither is left behind, so a shot is never reported
// with files that do not exist, and `error` (when given) says which file
// failed and why.
struct ShotFiles {
    QString file;
    QString thumbFile;
};
std::optional<ShotFiles> writeShot(const QImage &full, const QImage &thumb, qint64 id, const QString &folder,
                                   ShotFormat format, double quality, MediaError *error = nullptr);

} // namespace ImageFiles
