#pragma once
// Which decoded frame answers a request, and how to get there: the policy of
// the frame generator, apart from the decoding it drives (a FrameSource).
//
// A request is a window of presentation times in stream ticks:
// - exact (low == high == target): the frame on screen at the target, i.e.
//   the last frame starting at or before it (the first frame when the target
//   lies before it);
// - tolerant: any frame starting inside [low, high], the cheapest first: the
//   frame already decoded when it lies inside, else the keyframe nearest to
//   the target when one lies inside (one seek and one decode), else the
//   earliest frame inside, decoding forward. With no frame inside at all, the
//   frame nearest to the target answers;
// - past the end: the last frame answers while the target lies within its
//   display duration (its end included) or before the video's stated end,
//   since a player shows it until then; later targets fail.
// Requests that move forward within one keyframe interval decode on from the
// current position; anything else seeks to a keyframe first. Where the file
// has no index, the source is asked whether a keyframe lies ahead whenever
// a request is a second or more away, and for the keyframe inside a
// tolerant window nearest its target. While a batch is planned, frames
// nothing refers to are not decoded at all when no open request of the
// batch can use them, or when another frame already sent to the decoder
// answers the tolerant request they would.
//
// Thread: one thread at a time, like the source it drives. Not owning the
// source, which must outlive the picker.

#include "media/FfmpegPtr.h"
#include "media/MediaError.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// What the picker needs of a decoder: frames in presentation order, seeks
// to index entries, and the keyframe index. FrameCursor is the FFmpeg one.
class FrameSource {
public:
    // Whether a packet's frame, at `pts` for `duration` ticks, may go
    // undecoded (asked only for frames nothing refers to). `sent`: the
    // presentation times of the frames most recently sent to be decoded
    // (not skipped) since the last seek, which the decoder gives out in
    // presentation order with this one.
    using Skippable = std::function<bool(int64_t pts, int64_t duration, std::span<const int64_t> sent)>;

    virtual ~FrameSource() = default;
    // The next frame in presentation order; null at the end, on an error or
    // after a stop, with the reason in error() for the last two.
    virtual FramePtr next(const Skippable &skippable) = 0;
    // Repositions at the keyframe at or before the presentation time
    // `timestamp`, or at any index entry there when `anyFrame`; false with
    // error() set.
    virtual bool seek(int64_t timestamp, bool anyFrame) = 0;
    // Decoding timestamps of the keyframes the index holds, ascending.
    virtual const std::vector<int64_t> &keyframes() = 0;
    // The earliest timestamp the index holds, keyframe or not.
    virtual std::optional<int64_t> firstIndexTimestamp() = 0;
    // The latest timestamp the index holds, keyframe or not; none without one.
    virtual std::optional<int64_t> lastIndexTimestamp() { return std::nullopt; }
    // Without an index: the presentation time of the keyframe nearest
    // `near` of those shown after `after` and at or before `upTo`, found
    // without moving the decoding position; none when there is none or it
    // cannot be known.
    virtual std::optional<int64_t> keyframeIn(int64_t /*after*/, int64_t /*upTo*/, int64_t /*near*/)
    {
        return std::nullopt;
    }
    // Why the last next() or seek() stopped early; empty when it did not.
    virtual MediaError error() const = 0;
    virtual bool stopped() const = 0;
};

class FramePicker {
public:
    struct Window {
        int64_t target = 0;
        int64_t low = 0;
        int64_t high = 0;
    };
    // `start`: the stream's first presentation time; `frameTicks`: one
    // nominal frame duration, for frames that carry none; `ticksPerSecond`:
    // the stream's time base.
    FramePicker(FrameSource &source, int64_t start, int64_t frameTicks, int64_t ticksPerSecond);

    // Exact frames (every window a single tick) or tolerant windows.
    void setExact(bool exact) { m_exact = exact; }
    // Where the file says the video ends, in stream ticks: the last frame
    // answers every target before it, unless the index promised frames
    // after it (data cut off: those fail one by one).
    void setStatedEnd(std::optional<int64_t> end) { m_statedEnd = end; }
    bool exact() const { return m_exact; }

    // The requests of the batch about to be answered, in the order they
    // will be; empty for a single request.
    void plan(std::vector<Window> batch);
    // The frame answering `window` (the `index`-th of the planned batch, or
    // a lone request), kept by the picker until the next answer; or null,
    // with the reason in `error`.
    const AVFrame *answer(const Window &window, size_t index, MediaError *error);

    // Nothing decoded yet.
    bool atStart() const { return m_atStart; }
    // The keyframe interval (0-based index into the keyframes) that decoding
    // towards `pts` starts in.
    size_t intervalOf(int64_t pts);
    size_t keyframeCount() { return m_source.keyframes().size(); }
    // The estimated presentation time of keyframe `index` (< keyframeCount()).
    int64_t keyframeTime(size_t index) { return estimatedPts(m_source.keyframes()[index]); }
    // Average keyframe distance in ticks; none with fewer than two.
    std::optional<double> keyframeSpacing();

private:
    const AVFrame *exactFrame(int64_t target, MediaError *error);
    const AVFrame *within(const Window &window, MediaError *error);
    const AVFrame *afterLastFrame(int64_t target, MediaError *error);
    bool holdsUntilStatedEnd(int64_t target);
    const AVFrame *take(FramePtr frame);
    FramePtr next();
    bool seekTo(int64_t timestamp, bool anyFrame = false);
    bool seekBefore(int64_t target);
    // Decodes on or seeks so that the next frames lead to `target`; false
    // with the reason in `error` when neither is possible.
    bool reach(int64_t target, bool strictlyAfterHeld, MediaError *error);
    bool canContinueTo(int64_t target, bool strictlyAfterHeld);
    int64_t estimatedPts(int64_t entry) const { return entry + m_keyOffset; }
    bool keyframeBetween(int64_t after, int64_t upTo);
    int64_t endOf(const AVFrame *frame) const;
    bool unwanted(int64_t pts, int64_t duration, std::span<const int64_t> sent) const;

    FrameSource &m_source;
    const int64_t m_start;
    const int64_t m_frameTicks;
    const int64_t m_ticksPerSecond;
    bool m_exact = true;
    std::optional<int64_t> m_statedEnd;
    FramePtr m_held;   // last frame taken from the source, in presentation order
    FramePtr m_ahead;  // the frame after m_held, decoded but not yet taken
    bool m_atStart = true;
    bool m_ended = false;
    int64_t m_keyOffset = 0;  // keyframe presentation time minus its index time
    std::vector<Window> m_batch;
    size_t m_open = 0;  // the batch request being answered; earlier ones are done
};
