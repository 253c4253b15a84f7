#pragma once
// Finds where the scenes of a video begin, fast: keyframes first, because
// encoders put a keyframe at a cut, and the frames between two keyframes only
// where those two differ but lie far apart and the later one is no keyframe
// the encoder put in early.
//
// Thread: blocking, on the calling thread; independent calls may run on any
// threads. Failure: none when the file cannot be read or the stop was
// requested, with the reason in `error` when given.

#include "engine/ScenePlanning.h"
#include "media/MediaError.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace SceneScanner {

// Two pictures whose signature difference exceeds this may lie in different
// scenes. Measured on the test clip of eleven generated scenes (tst_scenes):
// keyframe pairs across its cuts differ by 0.31-0.75, keyframe pairs a
// second apart inside its fastest scenes by up to 0.23.
inline constexpr float cutThreshold = 0.15f;

// Keyframes further apart than this (seconds) are not trusted to place a cut
// between them: the frames between are decoded to find its first frame.
inline constexpr double refineGap = 2.0;
// Nearer keyframes that differ at least this much are a cut at the later one
// without decoding more. Fast motion moves keyframes a second apart by up
// to 0.23 on the test clips; what differs less is confirmed frame by frame,
// which only a jump between neighbouring frames passes.
inline constexpr float sureCut = 0.3f;

// Between neighbouring frames a cut must differ this many times more than
// the steps next to it. Noise and fast motion move every step by up to 0.3
// on the benchmark clip; its cuts stand 3-40 times above their neighbours.
inline constexpr float jump = 2.0f;

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
