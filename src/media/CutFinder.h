#pragma once
// Which jumps between neighbouring decoded frames are cuts, judged as they
// are decoded. A jump is a step between two frames that stands out from the
// steps around it; a cut is a jump into a picture that stays. So a flash (a
// lightning strike, a camera flash, a few white frames) is no cut: it jumps
// and returns within a few frames to a picture like the one before. Nor is
// a fade or a dissolve, whose steps are many and alike, or the grain of a
// dark scene, whose steps are all small. Judging a step against its own
// surroundings rather than one fixed size lets a cut between two takes of
// one subject in different grading cut, while a fast scene does not.
//
// Frames may be decoded with some left out (B-frames): steps are compared
// per second.
//
// Thread: one thread at a time. Memory: the frames of the last second or so.

#include "media/SceneSignature.h"

#include <deque>
#include <vector>

class CutFinder {
public:
    // A step counts against the median step on each side of it within this
    // many seconds, the larger of the two: a fade's steps are alike on one
    // side at least.
    static constexpr double surroundings = 0.5;
    // A jump stands out this many times from its surroundings: it exceeds
    // what they would change over its span by this many frames' worth of
    // their change (a cut is sudden, so a step that spans left-out B-frames
    // is not divided by them). On the film-like benchmark clip (bench/scenes;
    // 36 cuts, grain, fog, night, fast generated scenes, a fade, a dissolve)
    // and the test clips, every cut stood out by 4.0 or more (the least: a
    // warm and a cool take of one pan), and no other step but the flashes'
    // and those just after a cut by more than 2.8 (a fade in from black).
    // Since the signature's histogram shares each value between two bins,
    // the scan of that clip sees its least cut stand out by 11 (7.0 before)
    // and no other step above the floor but the flashes' by more than 1.9
    // (2.3 before).
    static constexpr float standOut = 3.5f;
    // ...and is at least this large. Grain and noise stand out now and then
    // from steps that are all small; on the benchmark clip no step below
    // 0.015 that was no cut stood out 3 times, and the smallest cut was
    // 0.056 (the two gradings; 0.064 with B-frames left out, and 0.060 so
    // with the histogram shared).
    static constexpr float floor = 0.04f;
    // A picture that returns within this many seconds of a jump to one like
    // the picture before it (differing from it by at most `returnShare` of
    // the jump; where frames were left out, at the first of them that may
    // have been back) was a flash. Flashes, strobes and lightning last a few
    // frames; a cut back to the same shot that soon is an insert of a frame
    // or two, which no one wants a shot of either.
    static constexpr double flashLength = 0.3;
    static constexpr float returnShare = 0.3f;

    // `frameRate`: the stream's nominal rate (30 when unknown or absurd).
    explicit CutFinder(double frameRate);

    // The next decoded frame, at `seconds` (after the one before);
    // `afterLeftOut`: frames were left out between the two.
    void add(double seconds, SceneSignature signature, bool afterLeftOut = false);
    // The cuts found since the last call, as the time of each new scene's
    // first decoded frame with the jump into it. `finish` when no frame
    // follows: the last frames are judged with what there is.
    struct Cut {
        double seconds = 0;
        float step = 0;
    };
    std::vector<Cut> take(bool finish = false);
    // The flashes judged so far: from the first frame that jumped to the
    // frame the picture returned at, not included.
    struct Flash {
        double from = 0;
        double until = 0;
    };
    const std::vector<Flash> &flashes() const { return m_flashes; }

private:
    struct Frame {
        double seconds = 0;
        float step = 0;   // difference from the frame before; 0 for the first
        double rate = 0;  // step per second
        bool afterLeftOut = false;  // frames were left out before this one
        SceneSignature signature;
    };
    // Judges frame `index` (its step); false when its right side is not yet decoded.
    bool judge(size_t index, bool finish);
    double sideMedian(size_t index, int direction) const;

    std::deque<Frame> m_frames;  // from a little before the next to judge
    size_t m_next = 1;           // index of the next frame whose step is judged
    const double m_frameSpan;    // seconds of one frame
    double m_quietUntil = -1;    // jumps up to here belong to a cut or flash already judged
    std::vector<Cut> m_cuts;
    std::vector<Flash> m_flashes;
};
