#pragma once
// Which shots of one video are weak: too dark or flat to show anything,
// blurred compared with the video's own shots, or nearly repeating the shot
// before them. Judged from the scores measured when the shots were written.
//
// Pure; any thread.

#include "basics/Records.h"

#include <QList>
#include <QSet>

namespace WeakShots {

// Thresholds, in 0..255 luma units at ShotScoring::measureWidth, chosen on
// the weak-shot test clip (moving colour patterns, black, the same blurred,
// still colour bars): each sits well inside the gap between what weak and
// ordinary shots measured there.
//
// Black measured a mean of 0.0; the ordinary shots 103-127.
inline constexpr float darkMean = 16;
// Black measured a spread of 0.0; the ordinary shots 41-74. A flat frame is
// a single colour up to encoder noise.
inline constexpr float flatSpread = 6;
// A shot is blurry below this share of the video's median sharpness:
// blurred shots measured 0.011 of the median, ordinary ones 0.9-1.5. Judged
// against the video's own median, a film that is soft throughout is not
// blurry.
inline constexpr float blurryShareOfMedian = 0.25f;
// Mean absolute difference of the tiny luma pictures: two shots of the still
// bars 2 s apart measured 0.03, ordinary neighbours 10.3-13.2. At 16 × 9,
// each value averages over a thousand pixels, so grain and compression
// noise barely move it.
inline constexpr float repeatDifference = 2.0f;

enum class Weakness { none, dark, flat, blurry, repeated };

// The mean absolute difference of two tiny pictures; infinity when they
// cannot be compared (different sizes, unmeasured).
float difference(const ShotScore &a, const ShotScore &b);

// The weakness of each shot of `shots` (one video, in time order), in the
// same order. Unmeasured shots are never weak. A shot repeats the nearest
// earlier measured shot; the first of a run of repeats is kept.
QList<Weakness> judge(const QList<Shot> &shots);

// The ids of the weak shots.
QSet<qint64> weakIds(const QList<Shot> &shots);

} // namespace WeakShots
