#include "media/FfmpegFrameGenerator.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Results the lanes have produced and the caller has not yet handed on.
// Small, because each holds a full decoded frame: when the writers fall
// behind, the decoders wait rather than run far ahead.
class ResultQueue {
public:
    void push(FrameResult &&result)
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_results.size() < capacity; });
        m_results.push_back(std::move(result));
        m_filled.notify_one();
    }
    FrameResult pop()
    {
        std::unique_lock lock(m_mutex);
        m_filled.wait(lock, [this] { return !m_results.empty(); });
        FrameResult result = std::move(m_results.front());
        m_results.pop_front();
        m_room.notify_one();
        return result;
    }

private:
    static constexpr size_t capacity = 2;
    std::mutex m_mutex;
    std::condition_variable m_room, m_filled;
    std::deque<FrameResult> m_results;
};

} // namespace

VideoInput::Threads FfmpegFrameGenerator::keyframeThreads()
{
    // Frame threads cost up to 60 % on the keyframe path (each seek refills
    // their pipeline); slice threads add no latency after a seek and help
    // streams with several slices per frame.
    return {0, FF_THREAD_SLICE};
}

VideoInput::Threads FfmpegFrameGenerator::forwardThreads()
{
    // When the answer lies between keyframes, every request decodes a long
    // run forward, and that is where frame threads pay off (about 25 % less
    // time on a long 1080p clip).
    return {0, FF_THREAD_FRAME | FF_THREAD_SLICE};
}

std::unique_ptr<FfmpegFrameGenerator> FfmpegFrameGenerator::open(const QString &path, MediaError *error,
                                                                 std::optional<VideoInput::Threads> threads,
                                                                 std::stop_token abandon)
{
    std::unique_ptr<FfmpegFrameGenerator> generator(new FfmpegFrameGenerator(path, std::move(abandon)));
    generator->m_primary = DecoderLane::open(path, threads.value_or(keyframeThreads()), generator->m_stop.token(), error);
    if (!generator->m_primary)
        return nullptr;
    generator->m_analysis = generator->m_primary->analysis();
    generator->m_chooseThreads = !threads;
    generator->m_laneUse = threads ? LaneUse::no : LaneUse::undecided;
    return generator;
}

FfmpegFrameGenerator::~FfmpegFrameGenerator() = default;

void FfmpegFrameGenerator::setTolerance(MediaTime before, MediaTime after)
{
    m_before = before;
    m_after = after;
    m_primary->setTolerance(before, after);
    if (m_second)
        m_second->setTolerance(before, after);
    if (m_chooseThreads && m_primary->atStart()) {
        m_chooseThreads = false;
        const VideoInput::Threads wanted = m_primary->mostlyForward() ? forwardThreads() : keyframeThreads();
        const VideoInput::Threads now = m_primary->threads();
        if (wanted.type != now.type || wanted.count != now.count)
            m_primary->reopenDecoder(wanted);  // on failure the working decoder stays
    }
}

void FfmpegFrameGenerator::images(const std::vector<MediaTime> &times,
                                  const std::function<void(FrameResult &&)> &sink)
{
    const std::vector<bool> onSecond = laneShare(times);
    if (onSecond.empty())
        m_primary->images(times, sink);
    else
        answerWithLanes(times, onSecond, sink);
}

FrameResult FfmpegFrameGenerator::image(MediaTime time)
{
    return m_primary->image(time);
}

void FfmpegFrameGenerator::answerWithLanes(const std::vector<MediaTime> &times, const std::vector<bool> &onSecond,
                                           const std::function<void(FrameResult &&)> &sink)
{
    std::vector<MediaTime> first, second;
    for (size_t i = 0; i < times.size(); ++i)
        (onSecond[i] ? second : first).push_back(times[i]);
    m_laneRequests += int(second.size());

    // Both lanes run on threads of their own and hand results over as they
    // come, so neither waits for the other; the calling thread only passes
    // them on, which keeps the sink on the caller's thread. Each lane answers
    // every one of its times (with failures once cancelled) and the loop
    // below takes exactly that many answers, so no thread waits for room
    // that never comes and the joins cannot hang.
    ResultQueue queue;
    const auto push = [&queue](FrameResult &&r) { queue.push(std::move(r)); };
    std::thread one([&] { m_primary->images(first, push); });
    std::thread two([&] {
        // The second lane opens here, beside the first lane's decoding:
        // opening may analyse the file (where the primary's analysis cannot
        // be taken), which for some streams means decoding several frames,
        // and the first lane need not wait for that.
        if (!m_second && !m_secondFailed) {
            m_second = DecoderLane::open(m_path, m_secondThreads, m_stop.token(), nullptr, m_analysis.get());
            if (m_second)
                m_second->setTolerance(m_before, m_after);
            // A cancel interrupts the opening too; that is no failure of
            // the file, and the next generator opens it again anyway.
            m_secondFailed = !m_second && !m_stop.stopRequested();
        }
        if (m_second) {
            m_second->images(second, push);
            return;
        }
        // Unanswered, as a batch failure: the caller retries them one by one.
        for (const MediaTime &time : second) {
            FrameResult failed;
            failed.requested = time;
            failed.error = m_stop.stopRequested()
                ? MediaError::stopped(MediaError::Step::open)
                : MediaError::failed(MediaError::Step::open, QStringLiteral("the second decoder could not be opened"));
            failed.error.file = m_path;
            push(std::move(failed));
        }
    });
    for (size_t n = 0; n < times.size(); ++n) {
        FrameResult result = queue.pop();
        // Decoded before the cancel but not yet handed on: no longer wanted.
        if (result.ok() && m_stop.stopRequested()) {
            result.image.reset();
            result.error = MediaError::stopped(MediaError::Step::decode);
        }
        sink(std::move(result));
    }
    one.join();
    two.join();
    // Later batches stay with the first lane when the second cannot open.
    if (m_secondFailed)
        m_laneUse = LaneUse::no;
}

// Two decoders working on different keyframe intervals beat one decoder with
// frame threads on two cores: each interval needs a seek and a run from its
// keyframe anyway, and frame threads spend much of the machine waiting on
// each other (measurements in bench/README.md). Batches within one keyframe
// interval (dense exact shots) keep one decoder with frame threads, and so do
// tolerances wide enough that most answers are keyframes.
std::vector<bool> FfmpegFrameGenerator::laneShare(const std::vector<MediaTime> &times)
{
    // A second decoder costs its opening, its threads and its frame pool
    // before it gives anything; it pays off only over enough keyframe
    // intervals. Measured on phone clips (bench/phone), best of three, one
    // lane against two: 2 intervals (2.5 s clips) 0.10 to 0.30 s faster with
    // one lane at 24 shots, 3 intervals (6 s) even, 8 to 10 intervals (10 s)
    // 0.15 to 0.75 s faster with two.
    constexpr size_t minLaneIntervals = 4;
    if (m_laneUse == LaneUse::no || times.size() < 2 || m_stop.stopRequested())
        return {};
    if (m_primary->keyframeCount() < 2) {
        m_laneUse = LaneUse::no;
        return {};
    }
    // The keyframe interval each request's decoding starts in.
    std::vector<size_t> interval(times.size());
    for (size_t i = 0; i < times.size(); ++i)
        interval[i] = m_primary->intervalOf(times[i]);
    std::vector<size_t> distinct = interval;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (m_laneUse == LaneUse::undecided) {
        // Decided once, on the first batch, while nothing has been decoded.
        // Answers near keyframes cost one decode each, and the writers, not
        // the decoder, then set the pace: a second lane would only take their
        // core.
        const bool worthIt = distinct.size() >= minLaneIntervals && m_primary->atStart() && m_primary->mostlyForward()
            && std::thread::hardware_concurrency() >= 2;
        m_laneUse = worthIt && openSecondLane() ? LaneUse::yes : LaneUse::no;
    }
    if (m_laneUse != LaneUse::yes || distinct.size() < 2)
        return {};
    // Every other interval, in time order: both lanes move forward through
    // the video side by side, and each interval's requests stay with one
    // decoder, which decodes on between them.
    std::vector<bool> onSecond(times.size());
    for (size_t i = 0; i < times.size(); ++i) {
        const size_t rank = size_t(std::lower_bound(distinct.begin(), distinct.end(), interval[i]) - distinct.begin());
        onSecond[i] = rank % 2 == 1;
    }
    return onSecond;
}

bool FfmpegFrameGenerator::openSecondLane()
{
    // The first lane gives up half its threads now; the second opens on its
    // own thread when the first batch runs (answerWithLanes).
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    m_secondThreads = VideoInput::Threads{int(cores / 2), FF_THREAD_FRAME | FF_THREAD_SLICE};
    return m_primary->reopenDecoder(m_secondThreads);
}

FfmpegFrameGenerator::Statistics FfmpegFrameGenerator::statistics() const
{
    Statistics total{m_primary->seeks(), m_primary->decodedFrames(), m_laneRequests};
    if (m_second) {
        total.seeks += m_second->seeks();
        total.decodedFrames += m_second->decodedFrames();
    }
    return total;
}
