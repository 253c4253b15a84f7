#pragma once
// Frames a scene scan decoded where the run's shots will be taken, kept so
// that writing those shots decodes nothing again. On a film that cuts every
// few seconds, often with no keyframe at the cut, each such shot would
// otherwise be decoded anew from the keyframe in the scene before it.
//
// The planner hands them in (keep); the extraction's frame generators for
// the same file answer from them (take) and let them go when the run ends
// (forget). A frame answers only the times it is on screen, and only while
// the file is unchanged, so an answer from here is the one a decoder gives.
//
// Thread: any; calls are serialised inside. Memory: at most `mostKept`
// bytes of pictures; frames past that are decoded as before.

#include "basics/MediaTime.h"
#include "media/FrameGenerator.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace ScanFrames {

inline constexpr std::size_t mostKept = std::size_t(128) << 20;

struct Frame {
    double seconds = 0;  // when it comes on screen, from the stream start
    double until = 0;    // when the next frame does; only times before it are answered
    VideoFrame image;
};

// Whether `frame` is the picture on screen at `requested`.
bool answers(const Frame &frame, MediaTime requested);

// Replaces the frames kept for `path` with `frames`, as many as fit; returns
// the generation they are kept under (see forget).
unsigned keep(const QString &path, std::vector<Frame> frames);

// The generation of the frames kept for `path` now; 0 when there are none.
unsigned generation(const QString &path);

// The kept frame on screen at `requested`, taken out of the store, as the
// answer to that request; none when no kept frame answers it or the file
// changed since.
std::optional<FrameResult> take(const QString &path, MediaTime requested);

// Lets go of the frames kept for `path` under `generation` (any when 0); a
// later scan's frames stay.
void forget(const QString &path, unsigned generation = 0);

// Lets go of every kept frame (the system is short of memory).
void release();

// Bytes of pictures kept now.
std::size_t keptBytes();

} // namespace ScanFrames
