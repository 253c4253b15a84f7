#pragma once
// The FrameGenerator that decodes a video file with FFmpeg: one DecoderLane,
// or two over the same file when that is faster. Which frame answers which
// request is FramePicker's policy; the decoding is FrameCursor's.
//
// When decoder threads are left to the generator, the first setTolerance()
// picks them, and a first batch that spans several keyframe intervals with
// answers mostly decoded forward opens a second lane on its own thread and
// gives it every other interval's requests; results then come out in the
// order they are ready, still on the calling thread.
//
// Cancellation is a tree: the generator's stop hangs below the `abandon`
// token given to open(), and each lane's below the generator's, so
// cancelAll() or a stop on `abandon` ends every read at once.
//
// Thread safety as FrameGenerator: one producer thread; cancelAll() from any
// thread, also while a read blocks inside FFmpeg.

#include "basics/StopNode.h"
#include "media/DecoderLane.h"
#include "media/FrameGenerator.h"
#include "media/VideoInput.h"

#include <memory>
#include <optional>
#include <stop_token>

class FfmpegFrameGenerator final : public FrameGenerator {
public:
    // Decoder threads for requests mostly answered near a keyframe (slice
    // threads: no latency after a seek), and for requests mostly answered by
    // decoding long runs forward (frame threads). Measurements in
    // bench/README.md.
    static VideoInput::Threads keyframeThreads();
    static VideoInput::Threads forwardThreads();

    // Opens `path` for decoding; null when it cannot be opened, with the
    // reason in `error` when given. Without `threads`, the first
    // setTolerance() picks them: forward threads when the tolerance window is
    // narrower than the usual keyframe distance, keyframe threads otherwise.
    // A stop on `abandon` (from any thread) ends the opening's reads early
    // and, later, acts as cancelAll().
    static std::unique_ptr<FfmpegFrameGenerator> open(const QString &path, MediaError *error = nullptr,
                                                      std::optional<VideoInput::Threads> threads = {},
                                                      std::stop_token abandon = {});
    ~FfmpegFrameGenerator() override;

    void setTolerance(MediaTime before, MediaTime after) override;
    void images(const std::vector<MediaTime> &times,
                const std::function<void(FrameResult &&)> &sink) override;
    FrameResult image(MediaTime time) override;
    std::optional<Keyframe> keyframeBefore(MediaTime time) override { return m_primary->keyframeBefore(time); }
    std::optional<Keyframe> keyframeAt(size_t index) override { return m_primary->keyframeAt(index); }
    void cancelAll() override { m_stop.requestStop(); }

    // Work done so far, for tests and measurements.
    struct Statistics {
        int seeks = 0;
        int decodedFrames = 0;
        int laneRequests = 0;  // requests answered by the second lane
    };
    Statistics statistics() const;
    VideoInput::Threads decoderThreads() const { return m_primary->threads(); }

private:
    FfmpegFrameGenerator(const QString &path, std::stop_token abandon)
        : m_path(path)
        , m_stop(std::move(abandon))
    {
    }
    // Per request of the batch, whether the second lane answers it; empty
    // when the batch stays with the first. Opens the second lane on the
    // first batch that spans several keyframe intervals.
    std::vector<bool> laneShare(const std::vector<MediaTime> &times);
    bool openSecondLane();
    void answerWithLanes(const std::vector<MediaTime> &times, const std::vector<bool> &onSecond,
                         const std::function<void(FrameResult &&)> &sink);

    const QString m_path;
    StopNode m_stop;  // before the lanes, whose stops hang below it
    std::unique_ptr<DecoderLane> m_primary;
    std::unique_ptr<DecoderLane> m_second;  // opened by the first batch that uses it
    // The primary's analysis, taken before any lane decodes, so that the
    // second lane opens without analysing the file again.
    std::unique_ptr<VideoInput::Analysis> m_analysis;
    VideoInput::Threads m_secondThreads;
    bool m_secondFailed = false;
    enum class LaneUse { undecided, no, yes };
    LaneUse m_laneUse = LaneUse::no;
    bool m_chooseThreads = false;  // the first setTolerance() picks the decoder threads
    MediaTime m_before, m_after;
    int m_laneRequests = 0;
};
