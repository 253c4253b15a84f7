#pragma once
// Finds where the scenes of a video begin, fast: keyframes first, because
// encoders put a keyframe at a cut, so two keyframes that differ bracket a
// cut or fast motion; then the frames between them (B-frames left out),
// and those after the last keyframe, which has none to be compared with,
// where CutFinder tells cuts from motion, fades and flashes. When fewer cuts
// are wanted than keyframe pairs differ, strongest first and only until
// enough cuts are confirmed. Where cuts are dense, the frame a lead into
// each scene is kept for its shot, so that writing it decodes nothing again.
//
// Thread: blocking; decodes on the calling thread and a lane per core, and
// calls `progress` from any of them, one call at a time. Independent calls
// may run on any threads. Failure: none when the file cannot be read or the
// stop was requested, with the reason in `error` when given.

#include "basics/ScenePlanning.h"
#include "media/MediaError.h"
#include "media/FileStamp.h"
#include "media/ScanFrames.h"

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
// ...or more than this when the later keyframe came sooner than the
// encoder's keyframe interval: encoders place such keyframes where the
// picture changes. Where none came sooner (keyframes on a fixed schedule),
// every gap is looked behind whose keyframes differ as much as a cut can
// step (CutFinder::floor). On the film-like benchmark clip a cut between two
// framings of one subject differs by 0.13 at its keyframes. On the sparse
// benchmark clip x264 also places keyframes every few seconds in fast
// generated scenes (0.10-0.25 apart): 14 more of its 103 gaps are decoded,
// a fifth more time.
inline constexpr float placedThreshold = 0.1f;

struct Scan {
    std::vector<ScenePlanning::Cut> cuts;  // ascending start; never the first frame
    // Seconds from the stream start, ascending, of the keyframes a shot may
    // be taken at: encoders put keyframes on flashes too, and those are left out.
    std::vector<double> keyframes;
    int refined = 0;                       // keyframe gaps decoded frame by frame
    // When every candidate gap was decoded, the least `most` for which a
    // scan does the same (so finds the same); 0 when only this `most` does.
    long long sameFrom = 0;
    // Pictures decoded on the way, ascending: for each cut whose scene the
    // scan decoded a lead into (ScenePlanning::lead) without leaving a frame
    // out, the frame on screen then; a shot there needs no second decode.
    // None on a flash, and no more than ScanFrames::mostKept bytes.
    std::vector<ScanFrames::Frame> frames;
    // The file as the scan began: all it found is of that file, and none
    // of it holds once the file has changed, during the scan too.
    FileStamp stamp;
};

// How far the scan has got, 0..1, reported now and then.
using Progress = std::function<void(double fraction)>;

// Scans the video at `path`, `duration` seconds long, for the cuts a run of
// at most `most` shots needs: once `most - 1` cuts are confirmed the weaker
// keyframe pairs are not decoded further.
std::optional<Scan> scan(const QString &path, double duration, long long most, const Progress &progress,
                         std::stop_token stop, MediaError *error = nullptr);

} // namespace SceneScanner
