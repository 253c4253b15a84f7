#pragma once
// Frames a scene scan decoded where the run's shots will be taken, kept so
// that writing those shots decodes nothing again. On a film that cuts every
// few seconds, often with no keyframe at the cut, each such shot would
// otherwise be decoded anew from the keyframe in the scene before it.
//
// The planner hands them in (keep) and the plan holds them
// (heldUntilDropped); the extraction's frame generators for the same file
// answer from them (take). They are let go once the plan and the
// generators are, so a run stopped between its scan and its shots leaves
// nothing behind. A frame answers only the times it is on screen, and only
// while the file is unchanged, so an answer from here is the one a decoder
// gives.
//
// Thread: any; calls are serialised inside. Memory: at most `mostKept`
// bytes of pictures; frames past that are decoded as before.

#include "basics/MediaTime.h"
#include "media/FileStamp.h"
#include "media/FrameGenerator.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace ScanFrames {

inline constexpr std::size_t mostKept = std::size_t(128) << 20;

struct Frame {
    double seconds = 0;  // when it comes on screen, from the stream start
    // The same in stream ticks, as the frame generator counts: `pts` from
    // `start`, and the first tick it is no longer known to be on screen.
    int64_t pts = 0;
    int64_t until = 0;
    int64_t start = 0;
    AVRational timeBase{1, 1};
    VideoFrame image;
};

// The memory `image`'s pictures hold, as counted against `mostKept`.
std::size_t bytesOf(const VideoFrame &image);

// Whether `frame` is the picture a frame generator gives for `requested`
// asked exactly: the one on screen at that time, rounded down to the
// stream's ticks as the generator rounds it.
bool answers(const Frame &frame, MediaTime requested);

// Replaces the frames kept for `path` with `frames`, decoded from the file
// as `stamp` found it, as many as fit once the oldest frames of other files
// are let go; returns the generation they are kept under (see take and
// forget).
unsigned keep(const QString &path, const FileStamp &stamp, std::vector<Frame> frames);

// The generation of the frames kept for `path` now; 0 when there are none.
unsigned generation(const QString &path);

// The kept frame of `generation` that answers `requested`, taken out of the
// store, as the answer to that request; none when no kept frame answers it,
// a later scan replaced them or the file changed since.
std::optional<FrameResult> take(const QString &path, unsigned generation, MediaTime requested);

// Lets go of the frames kept for `path` under `generation` (any when 0); a
// later scan's frames stay.
void forget(const QString &path, unsigned generation = 0);

// A handle that lets go of the frames kept for `path` under `generation`
// once its last copy is dropped (forget); empty when `generation` is 0.
std::shared_ptr<const void> heldUntilDropped(const QString &path, unsigned generation);

// Lets go of every kept frame (the system is short of memory).
void release();

// Bytes of pictures kept now.
std::size_t keptBytes();

} // namespace ScanFrames
