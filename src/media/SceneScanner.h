#pragma once
// Finds where the scenes of a video begin, fast: keyframes first, because
// encoders put a keyframe at a cut, so two keyframes that differ bracket a
// cut or fast motion; then, strongest first and only until enough cuts are
// confirmed, the frames between them, where a cut is a jump between
// neighbouring frames.
//
// Thread: blocking, on the calling thread; independent calls may run on any
// threads. Failure: none when the file cannot be read or the stop was
// requested, with the reason in `error` when given.

#include "basics/ScenePlanning.h"
#include "media/MediaError.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace SceneScanner {

// Keyframes that differ more than this are decoded between to look for a
// cut. On the scene benchmark clip (1080p, 19 hard cuts, x264 keyframes)
// the pairs across its cuts differ by 0.37-0.73 and its fast scenes move
// keyframe pairs by up to 0.6 (those the frame-level test rejects); on the
// test clip of eleven scenes its cuts differ by 0.31-0.75. Lower costs
// decoding; 0.25 leaves 14 of the 60 pairs above 0.15 undecoded, none of
// them across a cut.
inline constexpr float candidateThreshold = 0.25f;

// Between neighbouring frames, a cut differs by more than this...
inline constexpr float cutThreshold = 0.15f;
// ...and this many times more than the steps either side of it, per second
// (fast scenes change a lot between every two frames; a cut once).
inline constexpr float jump = 2.0f;

// Keyframes further apart than this (seconds) are decoded between with the
// B-frames left out (at 20 frames a second and more).
inline constexpr double refineGap = 2.0;

struct Scan {
    std::vector<ScenePlanning::Cut> cuts;  // ascending start; never the first frame
    std::vector<double> keyframes;         // seconds from the stream start, ascending
    int refined = 0;                       // keyframe gaps decoded frame by frame
};

// How far the scan has got, 0..1, reported now and then.
using Progress = std::function<void(double fraction)>;

// Scans the video at `path`, `duration` seconds long, for the cuts a run of
// at most `most` shots needs: once `most - 1` cuts are confirmed the weaker
// keyframe pairs are not decoded further.
std::optional<Scan> scan(const QString &path, double duration, long long most, const Progress &progress,
                         std::stop_token stop, MediaError *error = nullptr);

} // namespace SceneScanner
