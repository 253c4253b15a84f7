#pragma once
// The decoder contract the extractor drives: batch and single requests for
// frames at media times, a time tolerance, and an abort that may come from any
// thread. One FFmpeg implementation (FfmpegFrameGenerator); tests script a fake.

#include "basics/MediaTime.h"
#include "media/FfmpegPtr.h"
#include "media/MediaError.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// A decoded frame ready for the writers: upright (the display rotation and any
// mirroring already applied) but still in the decoder's pixel format, with the
// size it is to be shown at (sample aspect ratio applied). The colour matrix,
// range and transfer of the stream are those recorded in `frame`.
struct VideoFrame {
    FramePtr frame;       // owned; never null in a delivered result
    QSize displaySize;    // width × height the image files get
};

// One answer to one requested time.
struct FrameResult {
    MediaTime requested;              // the time that was asked for
    std::optional<VideoFrame> image;  // absent on failure
    double actualSeconds = 0;         // time of the decoded frame, from the stream start
    MediaError error;                 // why it failed; empty on success
    bool ok() const { return image.has_value(); }
};

// Not thread-safe except cancelAll(): one producer thread makes requests;
// cancelAll() may be called from any thread at any time.
class FrameGenerator {
public:
    virtual ~FrameGenerator() = default;

    // How far from a requested time the delivered frame may lie, before and
    // after. Zero means the frame on screen at exactly that time.
    virtual void setTolerance(MediaTime before, MediaTime after) = 0;

    // Calls `sink` exactly once per requested time, on the calling thread,
    // in any order (each result names the time it answers), then returns. After cancelAll() every time not yet answered is answered
    // promptly with a failure. Blocks the calling thread while decoding.
    virtual void images(const std::vector<MediaTime> &times,
                        const std::function<void(FrameResult &&)> &sink) = 0;

    // One frame, or a failure. Blocks while decoding; ends promptly as a
    // failure after cancelAll().
    virtual FrameResult image(MediaTime time) = 0;

    // The keyframe that decoding towards `time` starts from: its place
    // among the file's keyframes and (estimated) time. None when the file
    // has no keyframe index.
    struct Keyframe {
        size_t index = 0;
        MediaTime time;
    };
    virtual std::optional<Keyframe> keyframeBefore(MediaTime) { return std::nullopt; }
    // Keyframe `index` in time order; none past the last.
    virtual std::optional<Keyframe> keyframeAt(size_t) { return std::nullopt; }

    // Makes every outstanding request fail promptly, and every later one too:
    // a cancelled generator is finished and the extractor replaces it. Being
    // final rather than "outstanding only" closes the race where an abort
    // lands between two requests and the next one would slip through.
    // Thread-safe; may be called any number of times.
    virtual void cancelAll() = 0;
};
