#pragma once
// Replaces weak shots with the best frame of their own stretch of the video:
// the stretch's keyframes are decoded first (one decode each) and, only when
// none will do and fewer than two were tried, frames spread over the
// stretch; each is scored as shots
// are, and the sharpest that the weak-shot rules accept
// (WeakShots::acceptable) is written as the shot, with its exact time.
//
// Thread: any; blocking. Failure: a stretch without an acceptable frame, or
// one that cannot be decoded or written, gives none for that shot.

#include "basics/Records.h"
#include "basics/WeakShots.h"
#include "media/Extractor.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

namespace BetterFrames {

// Candidates tried per stretch.
inline constexpr int candidates = 8;

// One answer per stretch tried, in order: the replacement shot (the
// stretch's id, files in `dir`), or none. Fewer answers than stretches when
// `stop` ended it or the file could not be opened. `progress` is told how many stretches are done
// after each. `median` is the video's median acuity (WeakShots::medianAcuity).
QList<std::optional<Shot>> replace(const Extractor::GeneratorFactory &makeGenerator, const QList<WeakShots::Stretch> &stretches,
                                   float median, const ExtractSettings &settings, const QString &dir,
                                   const std::function<void(int done)> &progress, std::stop_token stop);

// After an extraction into `dir` that reported `shots` (any order; one
// video of `duration` seconds, its scenes beginning at `sceneStarts` in a
// scene run): each weak shot whose stretch holds an acceptable frame takes
// it. The new files go into a folder of their own inside `dir`, the shot is
// reported again through `onShot` with its id (the new report replaces the
// first) and its first files are deleted, so that each planned moment
// leaves one shot. Once `stop` is requested nothing more is reported or
// deleted: the caller may no longer take shots, and then the first files
// are what it holds. `working` is called after each weak shot tried (none:
// not told). Returns how many were replaced.
int avoidWeak(const Extractor::GeneratorFactory &makeGenerator, QList<Shot> shots, double duration,
              const QList<double> &sceneStarts, const ExtractSettings &settings, const QString &dir,
              const Extractor::ShotCallback &onShot, const std::function<void()> &working, std::stop_token stop);

} // namespace BetterFrames
