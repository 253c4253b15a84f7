#pragma once
// Inputs a probe opened, kept a little while for the extraction that comes
// next, so that the file is not opened and its streams analysed a second
// time. Analysing costs more than it seems: for H.264 with B-frames the
// demuxer decodes several whole frames on one thread to learn the decoder's
// delay, 0.2 s for a 1080×1920 phone clip, as much as decoding a third of a
// 2.5 s clip on both cores.
//
// An input is handed out once, to the first opener of the same file, and
// only while the file is as it was (size and modification time) and it was
// parked less than `maxAge` ago; at most `maxParked` wait, the oldest is
// closed first. Parked inputs hold no decoder.
//
// Thread-safe: any thread parks and takes.

#include "media/VideoInput.h"

#include <chrono>
#include <memory>

namespace ParkedInputs {

inline constexpr int maxParked = 2;
inline constexpr std::chrono::seconds maxAge{30};

// Keeps `input` (its decoder released) for a later take() of its file.
void park(std::unique_ptr<VideoInput> input);

// The parked input of `path`, rewound to its first packet, with `interrupted`
// as its stop check and a decoder with `threads`; null when none waits or it
// cannot be readied (it is closed then).
std::unique_ptr<VideoInput> take(const QString &path, VideoInput::Interrupted interrupted,
                                 VideoInput::Threads threads);

// Closes the input parked for `path`, if any: its video was closed.
void forget(const QString &path);
// Closes every parked input (all videos were closed).
void clear();
// How many wait now; for tests.
int count();

} // namespace ParkedInputs
