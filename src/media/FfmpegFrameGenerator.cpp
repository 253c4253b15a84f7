#include "media/FfmpegFrameGenerator.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr AVRational mediaTimeBase{1, int(MediaTime::timescale)};

// Results the decoders have produced and the caller has not yet handed on.
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
    // Measured on a shared 2-core machine, release build, 1920×1080 H.264
    // (x264 veryfast, 10 s at 30 fps, keyframe every 60 frames, 2 B-frames),
    // best of two runs, in ms for: 24 spread times exact / 24 with a 40 %
    // tolerance / 100 dense exact / 24 in shuffled order exact / 24 shuffled
    // with 1 s tolerance:
    //   1 thread            1429 / 1167 / 2319 / 4418 /  805
    //   slice threads, auto 1543 / 1261 / 2375 / 4376 /  779
    //   frame threads, auto 1598 / 1352 / 1935 / 3616 /  860
    //   frame + slice, auto 1301 / 1252 / 2065 / 4562 / 1283
    // (with 4 slices per frame the picture was the same.) Frame threads cost
    // up to 60 % on the keyframe path: each seek refills their pipeline.
    // Slice threads add no latency after a seek and help streams that have
    // several slices per frame.
    return {0, FF_THREAD_SLICE};
}

VideoInput::Threads FfmpegFrameGenerator::forwardThreads()
{
    // When the answer lies between keyframes, every request decodes a long
    // run forward, and that is where frame threads pay off. Measured with
    // framelark-bench on a 10-minute 1080p30 clip (keyframe every 250
    // frames), 24 exact shots: 14.0 s with slice threads, 10.3 s with frame
    // threads.
    return {0, FF_THREAD_FRAME | FF_THREAD_SLICE};
}

std::unique_ptr<FfmpegFrameGenerator> FfmpegFrameGenerator::open(const QString &path, QString *error,
                                                                 std::optional<VideoInput::Threads> threads,
                                                                 std::stop_token abandon)
{
    std::unique_ptr<FfmpegFrameGenerator> generator(new FfmpegFrameGenerator);
    FfmpegFrameGenerator *self = generator.get();
    generator->m_chooseThreads = !threads;
    generator->m_path = path;
    generator->m_laneUse = threads ? LaneUse::no : LaneUse::undecided;
    generator->m_input = VideoInput::open(
        path,
        [self, abandon] {
            return self->m_cancelled.load(std::memory_order_relaxed) || abandon.stop_requested();
        },
        threads.value_or(keyframeThreads()), error);
    generator->m_packet = makePacket();
    if (!generator->m_input || !generator->m_packet)
        return nullptr;
    VideoInput &input = *generator->m_input;
    generator->m_transform = input.transform();
    generator->m_timeBase = input.timeBase();
    generator->m_start = input.startPts();
    AVRational rate = input.stream()->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = input.stream()->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        generator->m_frameTicks = std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), generator->m_timeBase));
    // Until a keyframe has been decoded after a seek, assume the first one
    // starts the stream: that is its presentation time.
    const auto entries = generator->keyframeEntries();
    if (!entries.empty())
        generator->m_keyOffset = generator->m_start - entries.front();
    return generator;
}

FfmpegFrameGenerator::~FfmpegFrameGenerator() = default;

void FfmpegFrameGenerator::setTolerance(MediaTime before, MediaTime after)
{
    m_before = MediaTime{std::max<qint64>(0, before.value)};
    m_after = MediaTime{std::max<qint64>(0, after.value)};
    if (m_lane)
        m_lane->setTolerance(m_before, m_after);
    if (m_chooseThreads && m_atStart) {
        m_chooseThreads = false;
        const VideoInput::Threads wanted = mostlyForward() ? forwardThreads() : keyframeThreads();
        if (wanted.type != m_input->threads().type || wanted.count != m_input->threads().count)
            m_input->reopenDecoder(wanted);  // on failure the working decoder stays
    }
}

bool FfmpegFrameGenerator::mostlyForward() const
{
    // A keyframe lies in a window of width w with odds of about w / spacing.
    // Once the window is narrower than the spacing, some answers must be
    // decoded forward over runs of up to (spacing - w) and those runs, not
    // the seeks, dominate the cost.
    const std::vector<int64_t> entries = keyframeEntries();
    if (entries.size() < 2)
        return m_before.value == 0 && m_after.value == 0;
    const double spacing = double(entries.back() - entries.front()) / double(entries.size() - 1);
    const double window = double(ticksUp(MediaTime{m_before.value + m_after.value}));
    return window < spacing;
}

void FfmpegFrameGenerator::images(const std::vector<MediaTime> &times,
                                  const std::function<void(FrameResult &&)> &sink)
{
    const std::vector<bool> onLane = laneShare(times);
    if (onLane.empty())
        answerInOrder(times, sink);
    else
        answerWithLane(times, onLane, sink);
}

void FfmpegFrameGenerator::answerInOrder(const std::vector<MediaTime> &times,
                                         const std::function<void(FrameResult &&)> &sink)
{
    m_wanted.clear();
    for (const MediaTime &time : times)
        m_wanted.push_back(windowOf(time));
    for (size_t i = 0; i < times.size(); ++i) {
        m_firstWanted = i;
        FrameResult result = request(times[i]);
        sink(std::move(result));
    }
    m_wanted.clear();
}

void FfmpegFrameGenerator::answerWithLane(const std::vector<MediaTime> &times, const std::vector<bool> &onLane,
                                          const std::function<void(FrameResult &&)> &sink)
{
    std::vector<MediaTime> mine, theirs;
    for (size_t i = 0; i < times.size(); ++i)
        (onLane[i] ? theirs : mine).push_back(times[i]);
    m_statistics.laneRequests += int(theirs.size());

    // Both decoders run on threads of their own and hand results over as
    // they come, so neither waits for the other; the calling thread only
    // passes them on, which keeps the sink on the caller's thread. Each
    // decoder answers every one of its times (with failures once
    // cancelled) and the loop below takes exactly that many answers, so
    // no thread waits for room that never comes and the joins cannot hang.
    ResultQueue queue;
    const auto push = [&queue](FrameResult &&r) { queue.push(std::move(r)); };
    std::thread own([&] { answerInOrder(mine, push); });
    std::thread lane([&] { m_lane->images(theirs, push); });
    for (size_t n = 0; n < times.size(); ++n) {
        FrameResult result = queue.pop();
        // Decoded before the cancel but not yet handed on: no longer wanted.
        if (result.ok() && m_cancelled.load(std::memory_order_relaxed))
            result = failure(result.requested, QStringLiteral("cancelled"));
        sink(std::move(result));
    }
    own.join();
    lane.join();
}

// Two single-threaded decoders working on different keyframe intervals beat
// one decoder with frame threads: each interval needs a seek and a run from
// its keyframe anyway, and frame threads spend much of the machine waiting on
// each other. Measured with framelark-bench on a 2-core machine, 24 shots of
// a 2-minute 4K clip (keyframes 8.3 s apart, 2 s tolerance): decoding alone
// took 9.5 s with frame threads and 13.1 s single-threaded (CPU 16-18 s and
// 13 s), two lanes 8.7-9.7 s. Batches within one keyframe interval (dense
// exact shots) keep one decoder with frame threads, and so do tolerances
// wide enough that most answers are keyframes.
std::vector<bool> FfmpegFrameGenerator::laneShare(const std::vector<MediaTime> &times)
{
    if (m_laneUse == LaneUse::no || times.size() < 2 || m_cancelled.load(std::memory_order_relaxed))
        return {};
    const std::vector<int64_t> entries = keyframeEntries();
    if (entries.size() < 2) {
        m_laneUse = LaneUse::no;
        return {};
    }
    // The keyframe interval each request's decoding starts in.
    std::vector<size_t> interval(times.size());
    for (size_t i = 0; i < times.size(); ++i) {
        const int64_t low = windowOf(times[i]).low;
        const auto it = std::upper_bound(entries.begin(), entries.end(), low,
                                         [this](int64_t value, int64_t entry) { return value < estimatedPts(entry); });
        interval[i] = size_t(std::max<std::ptrdiff_t>(0, it - entries.begin() - 1));
    }
    std::vector<size_t> distinct = interval;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (m_laneUse == LaneUse::undecided) {
        // Decided once, on the first batch, while nothing has been decoded.
        // Answers near keyframes cost one decode each, and the writers, not
        // the decoder, then set the pace: a lane would only take their core.
        const bool worthIt = distinct.size() >= 2 && m_atStart && mostlyForward() &&
                             std::thread::hardware_concurrency() >= 2;
        m_laneUse = worthIt && openLane() ? LaneUse::yes : LaneUse::no;
    }
    if (m_laneUse != LaneUse::yes || distinct.size() < 2)
        return {};
    // Every other interval, in time order: both lanes move forward through
    // the video side by side, and each interval's requests stay with one
    // decoder, which decodes on between them.
    std::vector<bool> onLane(times.size());
    for (size_t i = 0; i < times.size(); ++i) {
        const size_t rank = size_t(std::lower_bound(distinct.begin(), distinct.end(), interval[i]) - distinct.begin());
        onLane[i] = rank % 2 == 1;
    }
    return onLane;
}

bool FfmpegFrameGenerator::openLane()
{
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    const VideoInput::Threads each{int(cores / 2), FF_THREAD_FRAME | FF_THREAD_SLICE};
    std::unique_ptr<FfmpegFrameGenerator> lane = open(m_path, nullptr, each);
    if (!lane || !m_input->reopenDecoder(each))
        return false;
    lane->setTolerance(m_before, m_after);
    m_lane = std::move(lane);
    m_laneForCancel.store(m_lane.get());
    if (m_cancelled.load())
        m_lane->cancelAll();
    return true;
}

FfmpegFrameGenerator::Statistics FfmpegFrameGenerator::statistics() const
{
    Statistics total = m_statistics;
    if (m_lane) {
        const Statistics lane = m_lane->statistics();
        total.seeks += lane.seeks;
        total.decodedFrames += lane.decodedFrames;
    }
    return total;
}

FrameResult FfmpegFrameGenerator::image(MediaTime time)
{
    m_wanted.assign(1, windowOf(time));
    m_firstWanted = 0;
    FrameResult result = request(time);
    m_wanted.clear();
    return result;
}

void FfmpegFrameGenerator::cancelAll()
{
    // Sequentially consistent with openLane(): either this sees the lane or
    // openLane() sees the flag, so a lane never decodes on after a cancel.
    m_cancelled.store(true);
    if (FfmpegFrameGenerator *lane = m_laneForCancel.load())
        lane->cancelAll();
}

FfmpegFrameGenerator::Window FfmpegFrameGenerator::windowOf(MediaTime time) const
{
    if (m_before.value == 0 && m_after.value == 0) {
        const int64_t target = ticksDown(time);
        return {target, target};
    }
    return {ticksUp(MediaTime{time.value - m_before.value}), ticksDown(MediaTime{time.value + m_after.value})};
}

// A frame may go undecoded (when nothing refers to it) only if no request
// still open in this batch could be answered by it, and if a request still
// open lies beyond it: frames past the last open window may be what the
// next batch asks for, and once skipped they are gone.
bool FfmpegFrameGenerator::unwanted(int64_t pts, int64_t duration) const
{
    const bool exactFrames = m_before.value == 0 && m_after.value == 0;
    if (duration <= 0 && exactFrames)
        return false;  // whether it is on screen at a target cannot be known
    duration = std::max<int64_t>(duration, 0);
    bool windowAfter = false;
    for (size_t i = m_firstWanted; i < m_wanted.size(); ++i) {
        const Window &w = m_wanted[i];
        const bool onScreenAtLow = pts <= w.low && w.low < pts + duration;
        // Exact: the frame on screen at the target. Tolerant: a frame that
        // starts inside the window, or the one on screen across a window
        // too narrow to hold a frame start.
        const bool answers = exactFrames ? onScreenAtLow
                                         : (pts >= w.low && pts <= w.high) ||
                                               (onScreenAtLow && w.high - w.low < duration);
        if (answers)
            return false;
        windowAfter = windowAfter || (exactFrames ? pts + duration <= w.low : pts < w.low);
    }
    return windowAfter;
}

FrameResult FfmpegFrameGenerator::request(MediaTime time)
{
    if (m_cancelled.load(std::memory_order_relaxed))
        return failure(time, QStringLiteral("cancelled"));
    m_error.clear();
    FrameResult result = (m_before.value == 0 && m_after.value == 0) ? exact(time) : within(time);
    if (!result.ok() && m_cancelled.load(std::memory_order_relaxed))
        result.error = QStringLiteral("cancelled");
    return result;
}

// ---- answering requests ---------------------------------------------------

FrameResult FfmpegFrameGenerator::exact(MediaTime time)
{
    const int64_t target = ticksDown(time);
    if (!canContinueTo(target, false) && !seekBefore(target))
        return failure(time, m_error.isEmpty() ? QStringLiteral("seek failed") : m_error);
    for (;;) {
        FramePtr frame = nextFrame();
        if (!frame)
            return afterLastFrame(time, target);
        if (frame->best_effort_timestamp > target) {
            if (!m_held) {  // the time lies before the first frame
                m_held = std::move(frame);
                return deliver(m_held.get(), time);
            }
            m_ahead = std::move(frame);
            return deliver(m_held.get(), time);
        }
        m_held = std::move(frame);
    }
}

FrameResult FfmpegFrameGenerator::within(MediaTime time)
{
    const int64_t target = ticksDown(time);
    const int64_t low = ticksUp(MediaTime{time.value - m_before.value});
    const int64_t high = ticksDown(MediaTime{time.value + m_after.value});
    auto inside = [&](const AVFrame *frame) {
        return frame && frame->best_effort_timestamp >= low && frame->best_effort_timestamp <= high;
    };

    // What is already decoded costs nothing.
    if (inside(m_held.get()))
        return deliver(m_held.get(), time);
    if (inside(m_ahead.get())) {
        m_held = std::move(m_ahead);
        return deliver(m_held.get(), time);
    }

    // A keyframe inside the window costs one seek and one decode.
    const auto entries = keyframeEntries();
    std::optional<int64_t> best;
    for (const int64_t entry : entries) {
        const int64_t pts = estimatedPts(entry);
        if (pts >= low && pts <= high && (!best || std::llabs(pts - target) < std::llabs(estimatedPts(*best) - target)))
            best = entry;
    }
    if (best && seekToEntry(estimatedPts(*best))) {
        FramePtr frame = nextFrame();
        if (inside(frame.get())) {
            m_held = std::move(frame);
            return deliver(m_held.get(), time);
        }
        m_ahead = std::move(frame);  // go on from here below if it helps
    }

    // Otherwise the earliest frame inside the window.
    if (!canContinueTo(low, true) && !seekBefore(low))
        return failure(time, m_error.isEmpty() ? QStringLiteral("seek failed") : m_error);
    for (;;) {
        FramePtr frame = nextFrame();
        if (!frame)
            return afterLastFrame(time, target);
        const int64_t pts = frame->best_effort_timestamp;
        if (pts < low) {
            m_held = std::move(frame);
            continue;
        }
        if (pts <= high || !m_held) {
            m_held = std::move(frame);
            return deliver(m_held.get(), time);
        }
        // No frame inside the window: the nearer of the two around it.
        const bool laterIsNearer = pts - target < target - m_held->best_effort_timestamp;
        if (laterIsNearer)
            m_held = std::move(frame);
        else
            m_ahead = std::move(frame);
        return deliver(m_held.get(), time);
    }
}

FrameResult FfmpegFrameGenerator::afterLastFrame(MediaTime requested, int64_t target)
{
    // The last frame stays on screen until its end; past that there is none.
    if (m_held && target <= endOf(m_held.get()))
        return deliver(m_held.get(), requested);
    return failure(requested, !m_error.isEmpty() ? m_error
                              : m_held          ? QStringLiteral("beyond the end of the video")
                                                : QStringLiteral("no frame could be decoded"));
}

FrameResult FfmpegFrameGenerator::deliver(const AVFrame *frame, MediaTime requested)
{
    FramePtr upright = m_transform.apply(frame);
    if (!upright)
        return failure(requested, QStringLiteral("out of memory"));
    FrameResult result;
    result.requested = requested;
    const AVRational sar = av_guess_sample_aspect_ratio(m_input->format(), m_input->stream(),
                                                        const_cast<AVFrame *>(frame));
    result.image = VideoFrame{std::move(upright),
                              m_transform.displaySize(QSize(frame->width, frame->height), sar)};
    result.actualSeconds = double(frame->best_effort_timestamp - m_start) * av_q2d(m_timeBase);
    return result;
}

FrameResult FfmpegFrameGenerator::failure(MediaTime requested, const QString &why) const
{
    FrameResult result;
    result.requested = requested;
    result.error = why;
    return result;
}

// ---- decoding ----------------------------------------------------------------

FramePtr FfmpegFrameGenerator::nextFrame()
{
    if (m_ahead)
        return std::move(m_ahead);
    m_atStart = false;
    if (m_ended)
        return nullptr;
    AVCodecContext *codec = m_input->codec();
    FramePtr frame = makeFrame();
    if (!frame) {
        m_error = QStringLiteral("out of memory");
        return nullptr;
    }
    for (;;) {
        if (m_cancelled.load(std::memory_order_relaxed)) {
            m_error = QStringLiteral("cancelled");
            return nullptr;
        }
        int rc = avcodec_receive_frame(codec, frame.get());
        if (rc == 0) {
            ++m_statistics.decodedFrames;
            if (frame->best_effort_timestamp == AV_NOPTS_VALUE)
                frame->best_effort_timestamp = m_held ? endOf(m_held.get()) : m_start;
            return frame;
        }
        if (rc != AVERROR(EAGAIN) || m_draining) {
            // The end, or a decoder that cannot go on.
            m_ended = true;
            return nullptr;
        }
        rc = av_read_frame(m_input->format(), m_packet.get());
        if (rc < 0) {
            if (m_cancelled.load(std::memory_order_relaxed)) {
                m_error = QStringLiteral("cancelled");
                return nullptr;
            }
            // End of file or unreadable data: give out what the decoder holds.
            m_draining = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_input->streamIndex()) {
            const AVPacket *p = m_packet.get();
            const bool skippable =
                p->pts != AV_NOPTS_VALUE && !(p->flags & AV_PKT_FLAG_KEY) && unwanted(p->pts, p->duration);
            // Frames no other frame refers to are not decoded at all when
            // they cannot be an answer. The decoder reads several packets
            // ahead of the frame it gives out (reordering, frame threads),
            // so the test covers every request still open, not just the
            // current one.
            codec->skip_frame = skippable ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            // A damaged packet is dropped; the decoder resumes at the next one.
            avcodec_send_packet(codec, p);
        }
        av_packet_unref(m_packet.get());
    }
}

bool FfmpegFrameGenerator::seekToEntry(int64_t timestamp, int flags)
{
    ++m_statistics.seeks;
    m_held.reset();
    m_ahead.reset();
    m_atStart = false;
    m_draining = false;
    m_ended = false;
    const int rc = av_seek_frame(m_input->format(), m_input->streamIndex(), timestamp, AVSEEK_FLAG_BACKWARD | flags);
    // libdav1d (1.0 here) with more than one thread can deadlock in the first
    // send after a flush once it has seen damaged data: every thread waits
    // for another and no cancel reaches them. A fresh decoder has no such
    // state, and after a seek nothing of the old one is wanted; it costs
    // little next to the keyframe it is about to decode.
    const AVCodecContext *codec = m_input->codec();
    const bool freshDecoder = m_input->threads().count != 1 && codec->codec
        && std::strcmp(codec->codec->name, "libdav1d") == 0 && m_input->reopenDecoder(m_input->threads());
    if (!freshDecoder)
        avcodec_flush_buffers(m_input->codec());
    if (rc < 0) {
        m_error = m_cancelled ? QStringLiteral("cancelled") : ffmpegErrorText(rc);
        return false;
    }
    return true;
}

// Positions the decoder so that its next frame lies at or before `target`,
// or is the stream's very first frame. Index entries hold decoding times,
// which for a keyframe followed by reordered frames are earlier than its
// presentation time, while seeking goes by presentation time; so seeks aim at
// a keyframe's estimated presentation time. When the estimate is off and the
// keyframe starts after the target, the one before it is taken.
bool FfmpegFrameGenerator::seekBefore(int64_t target)
{
    const auto entries = keyframeEntries();
    if (entries.empty()) {
        // No index: let the demuxer search, stepping back if it lands late.
        int64_t at = target;
        for (int attempt = 0; attempt < 8; ++attempt) {
            if (!seekToEntry(at))
                return false;
            FramePtr frame = nextFrame();
            if (!frame)
                return false;
            const bool early = frame->best_effort_timestamp <= target || at <= m_start;
            m_ahead = std::move(frame);
            if (early)
                return true;
            at -= av_rescale_q(int64_t(attempt + 1) * AV_TIME_BASE, AV_TIME_BASE_Q, m_timeBase);
            at = std::max(at, m_start);
        }
        return true;
    }
    auto it = std::upper_bound(entries.begin(), entries.end(), target,
                               [this](int64_t value, int64_t entry) { return value < estimatedPts(entry); });
    int index = int(it - entries.begin()) - 1;
    // No keyframe at or before the target, yet the stream has data before
    // its first marked keyframe (an edit list cut where no sample before the
    // edit is marked as one): decode from the very first packet, as a
    // player does; the decoder shows what it can from there.
    if (index < 0) {
        if (const std::optional<int64_t> first = firstIndexTimestamp(); first && *first < entries.front()) {
            if (!seekToEntry(*first, AVSEEK_FLAG_ANY))
                return false;
            FramePtr frame = nextFrame();
            if (frame) {
                m_ahead = std::move(frame);
                return true;
            }
            if (m_cancelled)
                return false;
        }
    }
    index = std::max(index, 0);
    for (; index >= 0; --index) {
        if (!seekToEntry(estimatedPts(entries[size_t(index)])))
            return false;
        FramePtr frame = nextFrame();
        if (!frame) {
            if (m_cancelled)
                return false;
            continue;  // nothing decodes from here: try the keyframe before
        }
        if (frame->key_frame)
            m_keyOffset = frame->best_effort_timestamp - entries[size_t(index)];
        const bool early = frame->best_effort_timestamp <= target || index == 0;
        m_ahead = std::move(frame);
        if (early)
            return true;
    }
    return false;
}

// Whether decoding on from the current position reaches `target` without
// passing a keyframe (past one, a seek is cheaper) and without needing a
// frame already passed.
bool FfmpegFrameGenerator::canContinueTo(int64_t target, bool strictlyAfterHeld) const
{
    if (m_held) {
        const int64_t held = m_held->best_effort_timestamp;
        if (strictlyAfterHeld ? target <= held : target < held)
            return false;
        if (m_ended && !m_ahead)
            return true;  // answered from the last frame or failed as past the end
        return !keyframeBetween(held, target);
    }
    if (m_ahead) {
        const int64_t ahead = m_ahead->best_effort_timestamp;
        return target >= ahead && !keyframeBetween(ahead, target);
    }
    if (m_atStart)
        return !keyframeBetween(m_start, target);
    return false;
}

std::vector<int64_t> FfmpegFrameGenerator::keyframeEntries() const
{
    std::vector<int64_t> entries;
    AVStream *stream = m_input->stream();
    const int count = avformat_index_get_entries_count(stream);
    entries.reserve(size_t(std::max(0, count)));
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (entry && (entry->flags & AVINDEX_KEYFRAME) && entry->timestamp != AV_NOPTS_VALUE)
            entries.push_back(entry->timestamp);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::optional<int64_t> FfmpegFrameGenerator::firstIndexTimestamp() const
{
    AVStream *stream = m_input->stream();
    std::optional<int64_t> first;
    const int count = avformat_index_get_entries_count(stream);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (entry && entry->timestamp != AV_NOPTS_VALUE && (!first || entry->timestamp < *first))
            first = entry->timestamp;
    }
    return first;
}

int64_t FfmpegFrameGenerator::estimatedPts(int64_t entryTimestamp) const
{
    return entryTimestamp + m_keyOffset;
}

bool FfmpegFrameGenerator::keyframeBetween(int64_t after, int64_t upTo) const
{
    for (const int64_t entry : keyframeEntries()) {
        const int64_t pts = estimatedPts(entry);
        if (pts > after && pts <= upTo)
            return true;
    }
    return false;
}

int64_t FfmpegFrameGenerator::endOf(const AVFrame *frame) const
{
    const int64_t duration = frame->pkt_duration > 0 ? frame->pkt_duration : m_frameTicks;
    return frame->best_effort_timestamp + duration;
}

int64_t FfmpegFrameGenerator::ticksDown(MediaTime time) const
{
    return m_start + av_rescale_q_rnd(time.value, mediaTimeBase, m_timeBase, AV_ROUND_DOWN);
}

int64_t FfmpegFrameGenerator::ticksUp(MediaTime time) const
{
    return m_start + av_rescale_q_rnd(time.value, mediaTimeBase, m_timeBase, AV_ROUND_UP);
}
