#pragma once
// How a run of shots is planned, for the window and the command line alike:
// interval and count runs from their settings; a scene run scans the video
// for its cuts first, plans one shot a little into each scene and extracts
// them frame-exact, and plans as count mode when the scan cannot read the
// video or finds no cut. A video planned again answers from its last scan
// where that scan answers alike (SceneScanCache).
//
// Thread: blocking, on the calling thread (a scan takes seconds on a long
// video). Failure: a video the scan cannot read still gets the count plan;
// the extraction then tells which of its shots cannot be read either.

#include "basics/Planning.h"
#include "media/SceneScanner.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

namespace RunPlanner {

// How far a scene scan has got, 0..1, reported now and then.
using Progress = std::function<void(double fraction)>;

// The plan for the video at `path`, `duration` seconds long; none only when
// `stop` was requested.
std::optional<Planning::RunPlan> plan(const QString &path, double duration, const ExtractSettings &settings,
                                      const Progress &progress, std::stop_token stop);

// A scene run's plan from `scan`, a scan of the video at `path`: the frames
// the scan decoded where the plan puts shots are kept for the extraction
// (ScanFrames) while the plan is held, and those of any earlier scan of the
// file let go.
Planning::RunPlan fromScan(const QString &path, SceneScanner::Scan scan, double duration,
                           const ExtractSettings &settings);

} // namespace RunPlanner
