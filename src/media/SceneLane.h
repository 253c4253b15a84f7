#pragma once
// One lane of the scene scan: a decoder of its own that decodes stretches
// of keyframe gaps frame by frame (B-frames left out where shots need not
// come from it) and finds the cuts and flashes in them. Several lanes
// decode separate stretches at once: frame threads overlap the frames of
// one chain of predicted frames only in part (two threads on one 60 s gap
// of 1080p: 1.5 times as fast), lanes on separate gaps fully.
//
// Thread: one thread at a time; lanes of one context on any threads at
// once. Opens the file at its first stretch and keeps it open. Failure:
// none when the file cannot be read or the stop was requested, with the
// reason given to the context.

#include "basics/ScenePlanning.h"
#include "media/CutFinder.h"
#include "media/FfmpegPtr.h"
#include "media/ScanFrames.h"
#include "media/SceneKeyframes.h"
#include "media/SceneStretches.h"

#include <memory>
#include <optional>
#include <vector>

class FrameCursor;
class VideoInput;

namespace SceneScanner {

class SceneLane {
public:
    // `threads`: decoding threads, more when lanes are fewer than cores.
    SceneLane(ScanContext &context, int threads);
    ~SceneLane();
    SceneLane(SceneLane &&) noexcept;
    SceneLane(const SceneLane &) = delete;
    SceneLane &operator=(const SceneLane &) = delete;

    struct Found {
        std::vector<ScenePlanning::Cut> cuts;
        std::vector<CutFinder::Flash> flashes;
        // Pictures kept for shots; their bytes are counted in the context's keptBytes.
        std::vector<ScanFrames::Frame> frames;
        size_t first = 0;  // the stretch decoded began at keyframe `first - 1`
        // It cut or flashed just after its first keyframe, with nothing
        // decoded before it; nothing after that was decoded.
        bool opensOnJump = false;
    };
    // The cuts between the keyframes that bound `stretch`. A stretch that
    // opens on a jump is decoded again from the keyframe before, as far
    // back as `reopenReach` seconds.
    std::optional<Found> refine(const std::vector<Keyframe> &keyframes, Stretch stretch);

private:
    // `mayReopen`: a stretch that opens on a jump stops there. Cuts at or
    // before `ownFrom` seconds are left to the stretch they lie in.
    std::optional<Found> refineOnce(const std::vector<Keyframe> &keyframes, const Stretch &stretch, bool mayReopen,
                                    double ownFrom);
    bool open();
    // Seeks to the keyframe `from` and decodes the first frame from there
    // (none at the end); nothing on failure.
    std::optional<FramePtr> startAt(const Keyframe &from);

    ScanContext &m_context;
    int m_threads = 1;
    std::unique_ptr<VideoInput> m_input;
    std::unique_ptr<FrameCursor> m_cursor;
};

} // namespace SceneScanner
