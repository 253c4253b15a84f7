#pragma once
// Which moments of a video become shots, and the one text for a number of shots.

#include "basics/Records.h"

#include <QList>
#include <QString>

#include <memory>

namespace Planning {

// The largest number of shots one video can ever have.
inline constexpr qint64 maxShots = 2000;

// The planned times in seconds, ascending and never empty. Count mode (and
// scene mode, before or without scenes) puts each shot in the middle of one
// of n equal slices; interval mode steps by
// `interval` (at least 0.1 s) by repeated addition and never plans the last
// 0.05 s. A non-finite or negative duration is treated as 0, so the result is
// always finite and holds at most maxShots entries. Pure; any thread.
QList<double> times(ExtractMode mode, double interval, qint64 count, double duration);

// What a run extracts: its times, and the settings it extracts them with.
struct RunPlan {
    QList<double> times;
    ExtractSettings settings;
    // What answers some of `times` without decoding them again (frames a
    // scene scan kept), let go once the last copy of the plan is.
    std::shared_ptr<const void> keptFrames = {};
    // Where the scenes of a scene run begin, after the first, ascending; a
    // shot is replaced only by a frame of its own scene. Empty otherwise.
    QList<double> sceneStarts = {};
};

// The plan of a run planned without looking at the frames: interval and
// count runs as set, and a scene run with no scenes to go by (no scan, or
// one that failed or was given up on), which plans as count mode. A scene
// run is always frame-exact: its times sit on the frames it wants
// (keyframes when not precise), and any tolerance could slide a shot across
// a cut. Pure; any thread.
RunPlan plan(const ExtractSettings &settings, double duration);

} // namespace Planning

// "1 shot", "12 shots" in the loaded translation.
QString shotCount(qint64 n);
