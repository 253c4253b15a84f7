#pragma once
// The scene scan's first pass: every keyframe of the video decoded alone
// (cheap: no frame refers to another), compared with the one before, and
// the keyframe gaps worth decoding frame by frame, because their keyframes
// differ enough to bracket a cut or nothing is known of them.
//
// Thread: blocking, on the calling thread, with decoding threads of its
// own. Failure: none when the file cannot be read, no keyframe decodes or
// the stop was requested, with the reason given to the context.

#include "media/SceneScanContext.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace SceneScanner {

struct Keyframe {
    double seconds = 0;
    int64_t pts = 0;
    bool end = false;       // no keyframe but the end of the video, after its last frame
    int64_t position = -1;  // of its packet in the file, when the demuxer says
    bool unseen = false;    // the decoder gave no picture for it
};

// Two keyframes that differ: the cut lies after `before`, at or before `after`.
struct Candidate {
    size_t after = 0;  // index into the keyframes; `after - 1` is the one before
    float strength = 0;
    bool measured = true;  // false: a keyframe of the pair gave no picture
};

// The frames after the last keyframe have no keyframe after them to be
// compared with, so they are decoded whatever they hold, ranked among the
// candidates as one that differs this much: below a clear cut, above a
// keyframe pair that differs little.
inline constexpr float tailStrength = candidateThreshold;

struct KeyframePass {
    // Ascending; the last one may be the video's end.
    std::vector<Keyframe> keyframes;
    // The gaps to decode, ascending.
    std::vector<Candidate> candidates;
};

// Also sets the context's frame rate.
std::optional<KeyframePass> readKeyframePass(ScanContext &context);

} // namespace SceneScanner
