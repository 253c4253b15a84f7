#pragma once
// Decodes one frame per planned time and writes each as a shot (full-size
// image plus JPEG thumbnail) into a work folder, reporting every shot as soon
// as its files are on disk.
//
// Frames are requested 16 at a time from a frame generator; up to
// max(4, cores) writers encode in parallel while the producer keeps decoding,
// and the producer waits while all of them are busy. Times a batch could not
// deliver are retried one by one on fresh generators. Each generator lives in
// an attempt, a stop node below the run's stop; a stall watch stops the
// attempt that makes no progress.

#include "basics/Records.h"
#include "media/FrameGenerator.h"
#include "media/StallWatch.h"

#include <QImage>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace Extractor {

// Makes frame generators for one video. `fresh` is false only for the very
// first generator of a run (which may reuse an already opened file) and true
// for every replacement. Opening reads the file, so it is watched like
// decoding: `abandon` is requested when it stalls or the run is stopped, and
// the factory should then give up promptly. May return null when the file
// cannot be opened; the extractor then treats every request as failed.
using GeneratorFactory = std::function<std::unique_ptr<FrameGenerator>(bool fresh, std::stop_token abandon)>;

// Called once per written shot, from the writer thread that wrote it, in no
// particular order of id, possibly several at once. It must not block for long.
using ShotCallback = std::function<void(const Shot &)>;

struct Timing {
    std::chrono::steady_clock::duration checkInterval = std::chrono::seconds(2);
    std::chrono::steady_clock::duration stallLimit = std::chrono::seconds(15);
};

// Size of one batch request.
inline constexpr int chunkSize = 16;

// The number of writers that may encode at once: max(4, active cores).
int writerLimit();

// Tolerance either side of a planned time: zero when precise, else 40 % of
// the spacing (the first gap, twice the only time, or 2 s with none).
MediaTime tolerance(const QList<double> &times, bool precise);

// Runs one extraction on the calling thread (blocking) and returns the number
// of planned times that produced no shot: not decoded, not convertible, or
// not written (every reported shot's files exist). A stop request ends requesting at
// once (the current generator is aborted); writers already started finish and
// report; the failures counted so far are returned. `dir` must exist.
int run(const GeneratorFactory &makeGenerator, const QList<double> &times,
        const ExtractSettings &settings, const QString &dir, const ShotCallback &onShot,
        std::stop_token stop = {}, Timing timing = {});

// Converts `frame` and writes it as shot `id` (full-size image and
// thumbnail, measured for weak-shot detection) into `dir`; none when it
// cannot be converted or written, with `error` saying why. Any thread.
std::optional<Shot> writeShot(VideoFrame frame, qint64 id, double seconds, const ExtractSettings &settings,
                              const QString &dir, MediaError *error = nullptr);

// Writes `full`, an sRGB picture already converted from a frame shown at
// `seconds`, as writeShot() does. Any thread.
std::optional<Shot> writeImage(const QImage &full, qint64 id, double seconds, const ExtractSettings &settings,
                               const QString &dir, MediaError *error = nullptr);

// The generator factory for a video file on disk (FfmpegFrameGenerator).
// With `scanFrames` (a scene run's shots), the times a scene scan of the
// file kept frames for (ScanFrames) are answered from those, and the
// frames are let go when the last copy of the factory goes.
GeneratorFactory ffmpegGenerators(const QString &path, bool scanFrames = false);

} // namespace Extractor
