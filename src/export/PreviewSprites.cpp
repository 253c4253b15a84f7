#include "export/PreviewSprites.h"

#include "basics/Formatting.h"
#include "export/NewFiles.h"
#include "media/ImageFiles.h"
#include "media/MediaError.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <QUrl>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

// Whole milliseconds: cue times are compared and written in these, so a
// cue's end is the next cue's start to the digit and no rounding can make a
// cue empty.
qint64 millisecondsOf(double seconds)
{
    if (!(seconds > 0)) // negative, zero or NaN
        return 0;
    return std::llround(std::min(seconds, 1e12) * 1000.0);
}

// WebVTT's "hh:mm:ss.ttt" is the shot tooltips' precise time.
QString vttTimeOf(qint64 ms)
{
    return formatPreciseTime(double(ms) / 1000.0);
}

struct Cue {
    qint64 start = 0; // ms
    qint64 end = 0;   // ms
    qsizetype shot = 0;
};

QList<Cue> cuesFor(const QList<Shot> &shots, qint64 endMs)
{
    QList<Cue> cues;
    for (qsizetype i = 0; i < shots.size(); ++i) {
        const qint64 start = cues.isEmpty() ? 0 : millisecondsOf(shots[i].time);
        if ((!cues.isEmpty() && start <= cues.last().start) || start >= endMs)
            continue;
        if (!cues.isEmpty())
            cues.last().end = start;
        cues.append({start, endMs, i});
    }
    return cues;
}

struct Grid {
    int columns = 1;
    int rows = 1;
    qsizetype perSprite() const { return qsizetype(columns) * rows; }
};

// The grid narrowed so one sprite stays a JPEG can encode and memory can
// hold; none when not even one tile fits.
std::optional<Grid> fitGrid(QSize tile, int columns, int rows)
{
    const qint64 tilePixels = qint64(tile.width()) * tile.height();
    if (tile.width() > PreviewSprites::maxSpriteSide || tile.height() > PreviewSprites::maxSpriteSide
        || tilePixels > PreviewSprites::maxSpritePixels)
        return std::nullopt;
    columns = std::min(columns, PreviewSprites::maxSpriteSide / tile.width());
    rows = std::min(rows, PreviewSprites::maxSpriteSide / tile.height());
    const qint64 rowPixels = tilePixels * columns;
    if (rowPixels > PreviewSprites::maxSpritePixels)
        return Grid{int(PreviewSprites::maxSpritePixels / tilePixels), 1};
    return Grid{columns, int(std::min<qint64>(rows, PreviewSprites::maxSpritePixels / rowPixels))};
}

// Where the cue numbered `index` (from 0) sits: its sprite and its rectangle.
struct Place {
    qsizetype sprite = 0;
    QRect rect;
};
Place placeOf(qsizetype index, const Grid &grid, QSize tile)
{
    const qsizetype inSprite = index % grid.perSprite();
    return {index / grid.perSprite(),
            QRect(int(inSprite % grid.columns) * tile.width(), int(inSprite / grid.columns) * tile.height(),
                  tile.width(), tile.height())};
}

QString spriteName(const QString &videoName, qsizetype number)
{
    // One multi-argument arg(): a "%2" inside the video's name stays text.
    return QStringLiteral("%1_%2.jpg").arg(videoName, QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')));
}

// The shot's picture at exactly `tile`, or none when neither of its files
// decodes. The thumbnail is far cheaper to decode and is enough whenever it
// covers the tile (reading its size touches only the header); the other file
// stands in when the first choice cannot be read, since a softer tile is
// better than a black one.
std::optional<QImage> tilePicture(const Shot &shot, QSize tile)
{
    const QSize thumb = shot.thumbFile.isEmpty() ? QSize() : QImageReader(shot.thumbFile).size();
    const bool thumbCovers = thumb.width() >= tile.width() && thumb.height() >= tile.height();
    const QString order[] = {thumbCovers ? shot.thumbFile : shot.file, thumbCovers ? shot.file : shot.thumbFile};
    for (const QString &path : order) {
        if (path.isEmpty())
            continue;
        const std::optional<QImage> decoded = ImageFiles::decodeCovering(path, tile);
        if (!decoded || decoded->isNull())
            continue;
        // Players cut tiles by pixel rectangles: the whole frame goes into
        // exactly the tile, whatever rounding made their shapes differ by.
        QImage scaled = decoded->scaled(tile, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
        if (scaled.size() == tile)
            return scaled;
    }
    return std::nullopt;
}

struct TileJob {
    const Shot *shot = nullptr;
    QRect rect;
};

QString reasonOf(const MediaError &error)
{
    return error.code > 0 ? NewFiles::describe(error.code) : error.reason;
}

} // namespace

QString PreviewSprites::vttTime(double seconds)
{
    return vttTimeOf(millisecondsOf(seconds));
}

QSize PreviewSprites::tileSize(int tileWidth, QSizeF videoSize)
{
    const bool known = std::isfinite(videoSize.width()) && std::isfinite(videoSize.height())
        && videoSize.width() > 0 && videoSize.height() > 0;
    const double aspect = known ? videoSize.height() / videoSize.width() : 9.0 / 16.0;
    // Clamped before the conversion: a sliver of a video must not overflow
    // int; fitGrid() then refuses the tile.
    const double height = std::clamp(std::round(tileWidth * aspect), 1.0, 1e9);
    return QSize(tileWidth, int(height));
}

PreviewSprites::Outcome PreviewSprites::write(const QString &name, const QList<Shot> &shots, double duration,
                                              QSizeF videoSize, const QString &destination,
                                              const Options &options, std::stop_token stop,
                                              std::atomic<qint64> *tilesDone)
{
    Outcome outcome;
    if (stop.stop_requested()) {
        outcome.stopped = true;
        return outcome;
    }
    const qint64 endMs = millisecondsOf(duration);
    if (shots.isEmpty() || endMs <= 0) {
        outcome.failure = shots.isEmpty()
            ? tr("There are no screenshots to make preview sprites from.")
            : tr("The video’s length is unknown, so its preview sprites can’t be timed.");
        return outcome;
    }
    const QSize tile = tileSize(std::clamp(options.tileWidth, minTileWidth, maxTileWidth), videoSize);
    const std::optional<Grid> grid =
        fitGrid(tile, std::clamp(options.columns, 1, maxGrid), std::clamp(options.rows, 1, maxGrid));
    if (!grid) {
        outcome.failure = tr("The preview sprites would be too large: one picture would be %1 × %2 pixels.")
                              .arg(tile.width())
                              .arg(tile.height());
        return outcome;
    }
    const double quality = std::clamp(options.quality, 0.0, 1.0);
    const QList<Cue> cues = cuesFor(shots, endMs);

    const NewFiles::Claimed made = NewFiles::createUnderFreeName(destination, tr("%1 Preview Sprites").arg(name),
                                                                 QString(), NewFiles::Kind::folder);
    if (made.failure) {
        outcome.failure = tr("Couldn’t create the folder “%1”: %2.")
                              .arg(QDir::toNativeSeparators(made.path), NewFiles::describe(made.failure->error));
        return outcome;
    }
    outcome.folder = made.path;
    const QDir folder(made.path);

    const qsizetype spriteCount = (cues.size() + grid->perSprite() - 1) / grid->perSprite();
    for (qsizetype s = 0; s < spriteCount; ++s) {
        if (stop.stop_requested()) {
            outcome.stopped = true;
            return outcome;
        }
        const qsizetype first = s * grid->perSprite();
        const qsizetype count = std::min(grid->perSprite(), cues.size() - first);
        const QString path = folder.filePath(spriteName(name, s + 1));
        QImage sprite(tile.width() * int(std::min<qsizetype>(count, grid->columns)),
                      tile.height() * int((count + grid->columns - 1) / grid->columns), QImage::Format_RGB32);
        if (sprite.isNull()) {
            outcome.failure = tr("Couldn’t write “%1”: %2.")
                                  .arg(QDir::toNativeSeparators(path), NewFiles::describe(ENOMEM));
            return outcome;
        }
        sprite.fill(Qt::black);

        QList<TileJob> jobs;
        jobs.reserve(count);
        for (qsizetype k = first; k < first + count; ++k)
            jobs.append({&shots[cues[k].shot], placeOf(k, *grid, tile).rect});
        // Tiles never overlap, so each task copies into its own rectangle of
        // the raster through a pointer taken once, before the fan-out (bits()
        // detaches; calling it in the tasks would race), and needs no lock.
        uchar *const bits = sprite.bits();
        const qsizetype stride = sprite.bytesPerLine();
        std::atomic<qint64> unreadable{0};
        QtConcurrent::blockingMap(jobs, [&](const TileJob &job) {
            if (stop.stop_requested())
                return;
            if (const std::optional<QImage> picture = tilePicture(*job.shot, tile)) {
                const size_t rowBytes = size_t(job.rect.width()) * 4;
                for (int y = 0; y < job.rect.height(); ++y)
                    std::memcpy(bits + (job.rect.y() + y) * stride + qsizetype(job.rect.x()) * 4,
                                picture->constScanLine(y), rowBytes);
            } else {
                unreadable.fetch_add(1, std::memory_order_relaxed);
            }
            if (tilesDone)
                tilesDone->fetch_add(1);
        });
        // Tasks skipped by the stop left their tiles black: not a sprite to keep.
        if (stop.stop_requested()) {
            outcome.stopped = true;
            return outcome;
        }
        outcome.unreadable += unreadable.load();

        MediaError error;
        if (!ImageFiles::writeJpeg(sprite, path, quality, &error)) {
            outcome.failure = tr("Couldn’t write “%1”: %2.").arg(QDir::toNativeSeparators(path), reasonOf(error));
            return outcome;
        }
        outcome.sprites.append(path);
    }

    // Cue text is a URL relative to the index: the file name is
    // percent-encoded, so a "#", "%" or space in the video's name cannot
    // end the name early, and "-->", "<" or "&" cannot be read as cue syntax.
    QString text = QStringLiteral("WEBVTT\n");
    for (qsizetype k = 0; k < cues.size(); ++k) {
        const Place place = placeOf(k, *grid, tile);
        const QRect &r = place.rect;
        text += QStringLiteral("\n%1 --> %2\n%3#xywh=%4,%5,%6,%7\n")
                    .arg(vttTimeOf(cues[k].start), vttTimeOf(cues[k].end),
                         QString::fromLatin1(QUrl::toPercentEncoding(spriteName(name, place.sprite + 1))),
                         QString::number(r.x()), QString::number(r.y()), QString::number(r.width()),
                         QString::number(r.height()));
    }
    const QString vttPath = folder.filePath(name + QStringLiteral(".vtt"));
    const QByteArray bytes = text.toUtf8();
    // The folder is new and ours, so the save file's rename replaces nothing
    // of the user's, and a reader never sees half an index.
    QSaveFile file(vttPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        outcome.failure = tr("Couldn’t write “%1”: %2.").arg(QDir::toNativeSeparators(vttPath), reason);
        return outcome;
    }
    outcome.vttFile = vttPath;
    return outcome;
}
