#pragma once
// Which shots of one video are weak: too dark or flat to show anything,
// blurred compared with the video's own shots, or nearly repeating the shot
// before them. Judged from the scores measured when the shots were written.
//
// Pure; any thread.

#include "basics/Records.h"

#include <QList>
#include <QSet>

#include <optional>

namespace WeakShots {

// Thresholds, in 0..255 luma units at ShotScoring::measureWidth, chosen on
// two test clips: generated (moving colour patterns, black, the same
// blurred, still colour bars) and filmed-looking (photographs panned as a
// camera would: ordinary, fog, night, grain, defocused, a pan blurred by
// motion, black, a fade, frozen, white). Each sits inside the gap between
// what weak and good shots measured there.
//
// Black measured a mean of 0.0; a night scene 18-19, the ordinary shots
// 93-206.
inline constexpr float darkMean = 16;
// Black and white measured a spread of 0.0-0.2 and no edges; fog 7.2, with
// edges. A flat frame is a single colour up to encoder noise: little spread
// and no edges (ShotScore::acuity 0).
inline constexpr float flatSpread = 6;
// A shot is blurry below this share of the video's median acuity. On the
// filmed clip (median 0.80) defocus measured 0.41-0.43 and motion blur
// 0.40-0.48, while good shots measured 0.56 (a macro photograph, soft by
// nature) to 2.06 (grain), fog 0.79-0.80 and night 0.86-0.87: the
// earlier measure, the Laplacian's variance, fell with contrast and read fog
// as blurred. Judged against the video's own median, a film that is soft
// throughout is not blurry.
inline constexpr float blurryShareOfMedian = 0.64f;
// Mean absolute difference of the tiny luma pictures, per 40 levels of
// spread (the ordinary shots' typical spread): two shots of the still bars
// 2 s apart measured 0.03, ordinary neighbours 10.3-13.2. Scaled by the
// spread, a slow pan through fog, whose differences are small because its
// contrast is, is no repeat. At 16 × 9, each value averages over a thousand
// pixels, so grain and compression noise barely move it.
inline constexpr float repeatDifference = 2.0f;
inline constexpr float repeatSpreadScale = 40.0f;

enum class Weakness { none, dark, flat, blurry, repeated };
// "none", "dark", "flat", "blurry" or "repeated": for machines (JSON).
const char *name(Weakness weakness);

// The mean absolute difference of two tiny pictures; infinity when they
// cannot be compared (different sizes, unmeasured).
float difference(const ShotScore &a, const ShotScore &b);

// Below this difference (see difference()) shot `b` repeats shot `a`.
float repeatThreshold(const ShotScore &a, const ShotScore &b);

// The median acuity of the shots that show something (neither dark nor
// flat); 0 when none do. Blur is judged against it.
float medianAcuity(const QList<Shot> &shots);

// The weakness of one picture scored `s`, in a video of `median` acuity
// (medianAcuity), after the picture `previous` (none: the first).
Weakness judgeOne(const ShotScore &s, float median, const ShotScore *previous);

// One weak shot to replace: the stretch of the video it may move within
// (from the midpoint to the shot before it to the midpoint to the shot
// after it, or the video's ends) and its neighbours' scores, which a
// replacement must not repeat.
struct Stretch {
    qint64 id = 0;
    double time = 0;
    double from = 0;
    double to = 0;
    std::optional<ShotScore> before;
    std::optional<ShotScore> after;
};

// The stretches of the weak shots among `shots` (one video, `duration`
// seconds long), in time order. In a scene run each stays inside its shot's
// scene (ScenePlanning::sceneAround of `sceneStarts`): a brighter frame of
// the scene before is no better shot of this one.
QList<Stretch> weakStretches(const QList<Shot> &shots, double duration, const QList<double> &sceneStarts = {});

// Whether a candidate scored `s` may replace the shot of `stretch`: not
// weak by the same rules, and repeating neither neighbour.
bool acceptable(const ShotScore &s, const Stretch &stretch, float median);

// The weakness of each shot of `shots` (one video, in any order: a stepped
// shot keeps its place), in the same order. Unmeasured shots are never
// weak. A shot repeats the nearest earlier measured shot in time; the first
// of a run of repeats is kept.
QList<Weakness> judge(const QList<Shot> &shots);

// The ids of the weak shots.
QSet<qint64> weakIds(const QList<Shot> &shots);

} // namespace WeakShots
