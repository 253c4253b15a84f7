#pragma once
// Which keyframe gaps the scene scan decodes frame by frame, and in what
// order: neighbouring gaps in one go where every cut found is kept, else
// one gap at a time, strongest first.
//
// Thread: any; pure.

#include "media/SceneKeyframes.h"

#include <cstddef>
#include <vector>

namespace SceneScanner {

// Gaps decoded at once, at most; each lane holds a decoder.
inline constexpr int maxLanes = 4;

// Neighbouring keyframe gaps decoded in one go: from keyframe `first - 1`
// to keyframe `last`.
struct Stretch {
    size_t first = 0;
    size_t last = 0;
    // Whether the gap before `first` is decoded too: the frames just after
    // keyframe `first - 1` are then judged there, where a jump onto them can
    // be seen with the frames before it (a flash starting at a keyframe
    // returns only after it).
    bool gapBeforeDecoded = false;
    // Whether the gap after `last` is decoded too: this stretch then judges
    // the frames just after keyframe `last`.
    bool gapAfterDecoded = false;
    // Whether only the cuts after keyframe `first - 1` are this stretch's,
    // even when it is decoded again from further back: where decoding
    // stops early, every gap's cuts must come from that gap, since they
    // count as strong as its keyframes differ.
    bool ownGapsOnly = false;
};

// The keyframe gaps to decode, in the order to decode them. While every
// candidate's cuts may be kept, neighbouring candidates are decoded in one
// go (no second seek, no frame decoded twice), in stretches short enough to
// share among the lanes. When fewer cuts are wanted than there are
// candidates, one gap at a time, strongest first, so that decoding stops
// once enough are found: each then judges its own gap alone, up to its
// later keyframe, as no neighbour is sure to be decoded.
std::vector<Stretch> stretches(const std::vector<Keyframe> &keyframes, std::vector<Candidate> candidates,
                               bool ranked);

} // namespace SceneScanner
