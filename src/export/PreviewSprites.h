#pragma once
// Seek-bar preview pictures for web players: one video's shots drawn as tiles
// into JPEG sprite sheets, with a WebVTT index whose cues point at each tile's
// pixel rectangle ("Trip_001.jpg#xywh=160,0,160,90"). Everything goes into a
// new "<name> Preview Sprites" folder inside a destination.
//
// Thread: any; blocking. Tiles are decoded in parallel on the global thread
// pool with the calling thread taking part, so calling it from a pool thread
// cannot deadlock. Failure: reported in the outcome, never thrown; existing
// files and folders are never replaced, only whole files are left behind,
// and the index is written last, so it never points at a sprite that is not
// there.

#include "basics/Records.h"

#include <QCoreApplication>
#include <QList>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <atomic>
#include <stop_token>

class PreviewSprites {
    Q_DECLARE_TR_FUNCTIONS(PreviewSprites)
public:
    static constexpr int minTileWidth = 16;
    static constexpr int maxTileWidth = 1920;
    static constexpr int maxGrid = 50;
    // The largest side a JPEG can have (libjpeg's limit).
    static constexpr int maxSpriteSide = 65500;
    // A sprite is one raster in memory while it is drawn: 32 megapixels is
    // 128 MB, far beyond what a player downloads for a seek bar.
    static constexpr qint64 maxSpritePixels = qint64(1) << 25;

    // Values outside their ranges are clamped: tileWidth to
    // [minTileWidth, maxTileWidth], columns and rows to [1, maxGrid],
    // quality to [0, 1]. A grid whose sprite would be wider or taller than
    // maxSpriteSide or hold more than maxSpritePixels gets fewer rows (then
    // fewer columns) instead; the cues carry every tile's position, so
    // players follow.
    struct Options {
        int tileWidth = 160;
        int columns = 10;
        int rows = 10;
        double quality = 0.85;
    };

    struct Outcome {
        QString folder;        // the new folder, when it was made
        QString vttFile;       // the index, when it was written (always last)
        QStringList sprites;   // sprite files written whole, in order
        qint64 unreadable = 0; // tiles left black because their shot could not be decoded
        QString failure;       // what to tell the user, when it did not succeed
        bool stopped = false;  // `stop` ended it early; the index is then not written
    };

    // Writes the sprites and the index for `shots` (in time order) of a video
    // `duration` seconds long whose display size is `videoSize` (empty when
    // unknown) into a new "<videoName> Preview Sprites" folder (" 2", " 3" …
    // when the name is taken) inside the existing folder `destination`:
    // "<videoName>_001.jpg", "_002.jpg" … and "<videoName>.vtt".
    //
    // One cue per shot, from 0 for the first and from its time for the
    // others, each ending where the next begins and the last at `duration`;
    // times are kept to the millisecond. A shot whose time is not after the
    // previous cue's start, or not before the end, gets no cue and no tile.
    // Tiles are laid row by row, `columns` to a row, `rows` rows to a sprite;
    // each sprite is only as wide and tall as its tiles need. A shot that
    // cannot be decoded leaves its tile black (counted in `unreadable`).
    //
    // Fails before touching the disk when no shot is given or `duration` is
    // under a millisecond. Stops at the first failure, keeping what was
    // written. `stop` is checked between sprites and before each tile;
    // `tilesDone`, when given, is raised after each tile (for another thread
    // to read).
    static Outcome write(const QString &videoName, const QList<Shot> &shots, double duration, QSizeF videoSize,
                         const QString &destination, const Options &options, std::stop_token stop = {},
                         std::atomic<qint64> *tilesDone = nullptr);

    // "01:02:05.900": hours (at least two digits), minutes, seconds and
    // milliseconds, rounded to the nearest millisecond; negative and
    // non-finite times read as zero.
    static QString vttTime(double seconds);

    // tileWidth × max(1, round(tileWidth × height / width)) of `videoSize`,
    // or of 16:9 when the size is unknown (empty or not finite). tileWidth
    // is taken as given; write() clamps it first.
    static QSize tileSize(int tileWidth, QSizeF videoSize);
};
