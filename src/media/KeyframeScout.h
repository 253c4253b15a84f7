#pragma once
// Finding keyframes in a file without an index (MPEG-TS, MPEG-PS) by reading
// its packets, not decoding them: a second of 1080p packets reads in a few
// milliseconds, where decoding it takes a third of a second.
//
// Thread: one thread at a time, like the inputs it reads.

#include "media/VideoInput.h"

#include <cstdint>
#include <memory>
#include <optional>

struct PacketKeyframe {
    int64_t pts = 0;       // presentation time, in the stream's ticks
    int64_t position = 0;  // byte position of its packet, to seek to
};

// The keyframe of `input`'s stream nearest `near` (at most `upTo`) of those
// shown after `after` and at or before `upTo`, read from the packets of a
// stretch before `upTo`: at least a second and as far before `near` as
// `upTo` lies after it, then twice as far back each time up to about a
// minute, never further back than `after`. Moves `input`'s demuxer, so a
// seek must follow. None when no such keyframe turned up, after a stop, or
// when the demuxer cannot seek.
std::optional<PacketKeyframe> keyframeByPackets(VideoInput &input, int64_t after, int64_t upTo, int64_t near);

// Its own demuxer on the file another input decodes, so that asking where
// the next keyframe lies does not move the demuxer the decoder reads from.
class KeyframeScout {
public:
    // Null when the file cannot be opened again or shows another stream
    // first. `decoding` must outlive the scout: its stop check is the scout's.
    static std::unique_ptr<KeyframeScout> open(const VideoInput &decoding);

    std::optional<PacketKeyframe> nearestIn(int64_t after, int64_t upTo, int64_t near)
    {
        return keyframeByPackets(*m_input, after, upTo, near);
    }

private:
    explicit KeyframeScout(std::unique_ptr<VideoInput> input)
        : m_input(std::move(input))
    {
    }
    std::unique_ptr<VideoInput> m_input;
};
