#pragma once
// Replaces weak shots with the best frame of their own stretch of the video:
// a few candidate frames spread over the stretch are decoded (the cheapest
// near each, keyframes first), scored as shots are, and the sharpest that
// the weak-shot rules accept (WeakShots::acceptable) is written as the shot,
// with its exact time.
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

// One answer per stretch, in order: the replacement shot (the stretch's id,
// files in `dir`), or none. `progress` is told how many stretches are done
// after each. `median` is the video's median acuity (WeakShots::medianAcuity).
QList<std::optional<Shot>> replace(const Extractor::GeneratorFactory &makeGenerator, const QList<WeakShots::Stretch> &stretches,
                                   float median, const ExtractSettings &settings, const QString &dir,
                                   const std::function<void(int done)> &progress, std::stop_token stop);

} // namespace BetterFrames
