#pragma once
// The FrameGenerator that decodes a video file with FFmpeg.
//
// Which frame answers a request at time t (seconds from the stream start):
// - with zero tolerance, the frame on screen at t: the last frame whose
//   presentation time is at or before t (the first frame when t lies before
//   it);
// - with a tolerance, any frame within [t − before, t + after], the cheapest
//   first: the frame already decoded when it lies inside, else the keyframe
//   nearest to t when one lies inside (one seek and one decode), else the
//   earliest frame inside, decoding forward and skipping non-reference frames
//   that lie before the window. If the video has no frame inside the window at
//   all, the frame nearest to t is given.
// - past the end: the last frame answers as long as t lies within its
//   display duration (its end included); later times fail ("beyond the end
//   of the video").
// A file cut short behaves the same: times after the last intact frame fail.
//
// Requests in a batch that move forward within one keyframe interval decode
// on from the current position; anything else seeks to a keyframe first.
// When decoder threads are left to the generator and its first batch spans
// several keyframe intervals, it opens a second decoder (a lane) on its own
// thread and gives it every other interval's requests; results then come
// out in the order they are ready, still on the calling thread.
// Frames come out upright (display rotation and mirroring applied) in the
// decoder's pixel format, each an independent copy.
//
// Thread safety as FrameGenerator: one producer thread; cancelAll() from any
// thread, also while a read blocks inside FFmpeg.

#include "media/FrameGenerator.h"
#include "media/VideoInput.h"

#include <atomic>
#include <memory>
#include <optional>
#include <stop_token>

class FfmpegFrameGenerator final : public FrameGenerator {
public:
    // Decoder threads for requests mostly answered near a keyframe, and for
    // requests mostly answered by decoding long runs forward (see the
    // measurements in the .cpp file).
    static VideoInput::Threads keyframeThreads();
    static VideoInput::Threads forwardThreads();

    // Opens `path` for decoding; null when it cannot be opened, with the
    // reason in `error` when given. Without `threads`, the first
    // setTolerance() picks them: forward threads when the tolerance window is
    // narrower than the usual keyframe distance, keyframe threads otherwise.
    // A stop on `abandon` (from any thread) ends the opening's reads early
    // and, later, acts as cancelAll().
    static std::unique_ptr<FfmpegFrameGenerator> open(const QString &path, QString *error = nullptr,
                                                      std::optional<VideoInput::Threads> threads = {},
                                                      std::stop_token abandon = {});
    ~FfmpegFrameGenerator() override;

    void setTolerance(MediaTime before, MediaTime after) override;
    void images(const std::vector<MediaTime> &times,
                const std::function<void(FrameResult &&)> &sink) override;
    FrameResult image(MediaTime time) override;
    void cancelAll() override;

    // Work done so far, for tests and measurements.
    struct Statistics {
        int seeks = 0;
        int decodedFrames = 0;
        int laneRequests = 0;  // requests answered by the second decoder
    };
    Statistics statistics() const;
    VideoInput::Threads decoderThreads() const { return m_input->threads(); }

private:
    // Most requests will have to decode forward from a keyframe outside
    // their tolerance window.
    bool mostlyForward() const;
    // The answer once the decoder has no more frames: the last one while the
    // target lies within its display time, else a failure.
    FrameResult afterLastFrame(MediaTime requested, int64_t target);
    FfmpegFrameGenerator() = default;

    // Per request of the batch, whether the lane answers it; empty when the
    // batch stays with this decoder. Opens the lane on the first batch that
    // spans several keyframe intervals.
    std::vector<bool> laneShare(const std::vector<MediaTime> &times);
    bool openLane();
    void answerInOrder(const std::vector<MediaTime> &times, const std::function<void(FrameResult &&)> &sink);
    void answerWithLane(const std::vector<MediaTime> &times, const std::vector<bool> &onLane,
                        const std::function<void(FrameResult &&)> &sink);

    FrameResult request(MediaTime time);
    FrameResult exact(MediaTime time);
    FrameResult within(MediaTime time);
    FrameResult deliver(const AVFrame *frame, MediaTime requested);
    FrameResult failure(MediaTime requested, const QString &why) const;

    // Decoding in presentation order.
    FramePtr nextFrame();
    bool seekToEntry(int64_t timestamp, int flags = 0);
    // The earliest timestamp the index holds, keyframe or not.
    std::optional<int64_t> firstIndexTimestamp() const;
    bool seekBefore(int64_t target);
    bool canContinueTo(int64_t target, bool strictlyAfterHeld) const;
    std::vector<int64_t> keyframeEntries() const;
    int64_t estimatedPts(int64_t entryTimestamp) const;
    bool keyframeBetween(int64_t after, int64_t upTo) const;
    int64_t endOf(const AVFrame *frame) const;

    int64_t ticksDown(MediaTime time) const;
    int64_t ticksUp(MediaTime time) const;

    // A request's acceptable presentation times in stream ticks; low ==
    // high for exact frames.
    struct Window {
        int64_t low = 0;
        int64_t high = 0;
    };
    Window windowOf(MediaTime time) const;
    bool unwanted(int64_t pts, int64_t duration) const;

    std::atomic<bool> m_cancelled{false};
    QString m_path;
    std::unique_ptr<VideoInput> m_input;
    enum class LaneUse { undecided, no, yes };
    LaneUse m_laneUse = LaneUse::no;
    std::unique_ptr<FfmpegFrameGenerator> m_lane;  // second decoder, same file
    std::atomic<FfmpegFrameGenerator *> m_laneForCancel{nullptr};  // m_lane, for cancelAll() from any thread
    DisplayTransform m_transform;
    AVRational m_timeBase{1, 1};
    int64_t m_start = 0;
    int64_t m_frameTicks = 1;  // one nominal frame duration, for frames without one
    MediaTime m_before, m_after;

    PacketPtr m_packet;
    FramePtr m_held;   // last frame taken from the decoder, in presentation order
    FramePtr m_ahead;  // the frame after m_held, decoded but not yet taken
    bool m_atStart = true;  // nothing read yet: the next frame is the stream's first
    bool m_chooseThreads = false;  // the first setTolerance() picks the decoder threads
    bool m_draining = false;
    bool m_ended = false;   // the decoder gave its last frame
    int64_t m_keyOffset = 0;  // keyframe presentation time minus its index time
    std::vector<Window> m_wanted;  // the current batch's requests
    size_t m_firstWanted = 0;      // the one being answered; earlier ones are done
    Statistics m_statistics;
    QString m_error;  // why the last read stopped early, if it did
};
