#pragma once
// Where the shots of a scene run go once the video's scenes are known: which
// cuts are kept when there are more scenes than shots, and where inside each
// scene its shot is taken.
//
// Pure; any thread.

#include "basics/Planning.h"

#include <QList>

#include <utility>
#include <vector>

namespace ScenePlanning {

// A scene beginning at `start` seconds (its first frame, counted from the
// stream start); `strength` is how much the picture changed there, 0..1.
struct Cut {
    double start = 0;
    float strength = 0;
    bool operator==(const Cut &) const = default;
};

// How far into a scene its shot is taken: half a second, or a third of a
// scene shorter than 1.5 s, so that the shot never shows the cut itself or a
// frame the encoder blended across it.
inline constexpr double lead = 0.5;

// The `most - 1` strongest cuts (the first scene, starting at the first
// frame, always counts), in time order. Cuts at or before 0 are dropped.
std::vector<Cut> strongest(std::vector<Cut> cuts, long long most);

// The shot times of a scene run, ascending, one per scene: at `lead` into
// each scene when precise; otherwise at the frame nearest that time among
// those that come cheap: the keyframes inside the scene and the frames the
// scan already `decoded` (one less than half the lead after the scene's
// first frame is too near the cut), or that time when the scene has none.
// `keyframes` and `decoded` are ascending seconds. With no cut at all the
// plan is the count plan of `most` shots, so one long shot still gives
// shots spread over the video.
QList<double> times(const std::vector<Cut> &cuts, const std::vector<double> &keyframes, double duration,
                    long long most, bool precise, const std::vector<double> &decoded = {});

// Where in its scene a frame may stand in for the shot at `time`: from
// a little after the scene's first frame, as times() keeps cheap frames from
// the cut, to just before the next scene's first frame. `starts` are the
// scenes' beginnings after the first, ascending (Planning::RunPlan); with
// none, the whole video.
std::pair<double, double> sceneAround(const QList<double> &starts, double time, double duration);

// A scene run's plan from what its scan found: times() for at most
// `settings.count` shots, extracted frame-exact (see Planning::plan), with
// the scenes' beginnings.
Planning::RunPlan plan(const std::vector<Cut> &cuts, const std::vector<double> &keyframes, double duration,
                       const ExtractSettings &settings, const std::vector<double> &decoded = {});

} // namespace ScenePlanning
