#include "media/SceneScanner.h"

#include "media/FrameCursor.h"
#include "media/SceneSignature.h"
#include "media/VideoInput.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <thread>

namespace SceneScanner {

namespace {

// The share of the progress the keyframe pass stands for; refining the rest.
constexpr double keyframeShare = 0.8;

// Gaps decoded at once, at most; each lane holds a decoder.
constexpr int maxLanes = 4;

// Decoding every core can help with: keyframes are independent of each other.
constexpr VideoInput::Threads scanThreads{0, FF_THREAD_FRAME | FF_THREAD_SLICE};

struct Keyframe {
    double seconds = 0;
    int64_t pts = 0;
};

// Two keyframes that differ: the cut lies after `before`, at or before `after`.
struct Candidate {
    size_t after = 0;  // index into the keyframes; `after - 1` is the one before
    float strength = 0;
};

class Scanner {
public:
    Scanner(const QString &path, double duration, const Progress &progress, std::stop_token stop,
            MediaError *error)
        : m_path(path)
        , m_duration(duration)
        , m_progress(progress)
        , m_stop(std::move(stop))
        , m_error(error)
    {
    }

    bool keyframePass(std::vector<Keyframe> &keyframes, std::vector<Candidate> &candidates);
    // The cuts between keyframes `after - 1` and `after`, found frame by frame.
    // A decoder of its own for refining, so that several gaps are decoded
    // at once: a chain of predicted frames decodes on one core however
    // many threads its decoder has.
    struct Lane {
        std::unique_ptr<VideoInput> input;  // opened at the lane's first gap
        std::unique_ptr<FrameCursor> cursor;
    };
    std::optional<std::vector<ScenePlanning::Cut>> refine(const std::vector<Keyframe> &keyframes, size_t after,
                                                          Lane &lane);

    void report(double fraction)
    {
        if (m_progress && fraction > m_reported + 0.005) {
            m_reported = fraction;
            m_progress(std::min(1.0, fraction));
        }
    }

private:
    VideoInput::Interrupted interrupted() const
    {
        return [stop = m_stop] { return stop.stop_requested(); };
    }
    void fail(MediaError reason)
    {
        const std::lock_guard guard(m_failing);
        if (m_error) {
            reason.file = m_path;
            *m_error = m_stop.stop_requested() ? MediaError::stopped(reason.step) : std::move(reason);
        }
    }
    double seconds(const VideoInput &input, int64_t pts) const
    {
        return double(pts - input.startPts()) * av_q2d(input.timeBase());
    }

    const QString m_path;
    const double m_duration;
    const Progress &m_progress;
    const std::stop_token m_stop;
    MediaError *const m_error;
    double m_reported = -1;
    double m_frameRate = 30;  // the stream's nominal rate, once known
    std::mutex m_failing;  // lanes may fail at once
};

bool Scanner::keyframePass(std::vector<Keyframe> &keyframes, std::vector<Candidate> &candidates)
{
    MediaError openError;
    const std::unique_ptr<VideoInput> input = VideoInput::open(m_path, interrupted(), scanThreads, &openError);
    if (!input) {
        fail(openError);
        return false;
    }
    AVFormatContext *format = input->format();
    // Only the video is read. Its packets are all read too and the
    // keyframes picked below: the MP4 demuxer can skip the others itself,
    // but then stamps the keyframes with the times of neighbouring frames.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (int(i) != input->streamIndex())
            format->streams[i]->discard = AVDISCARD_ALL;
    }
    AVCodecContext *codec = input->codec();
    codec->skip_frame = AVDISCARD_NONKEY;
    if (const AVRational rate = input->frameRate(); rate.num > 0)
        m_frameRate = av_q2d(rate);

    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    if (!packet || !frame) {
        fail(MediaError::failed(MediaError::Step::decode, QStringLiteral("out of memory"), AVERROR(ENOMEM)));
        return false;
    }
    SignatureMaker maker;
    std::optional<SceneSignature> previous;
    // The times of the keyframes sent, in order. A decoder that is fed
    // keyframes only stamps its pictures with the times of frames it never
    // saw (it still reorders as if B-frames were coming), so each picture
    // takes the time of the oldest keyframe sent and not yet answered.
    std::deque<int64_t> sent;
    const auto take = [&]() {
        while (avcodec_receive_frame(codec, frame.get()) == 0) {
            int64_t pts = AV_NOPTS_VALUE;
            const auto own = std::find(sent.begin(), sent.end(), frame->pts);
            if (own != sent.end()) {
                pts = *own;
                sent.erase(sent.begin(), own + 1);
            } else if (!sent.empty()) {
                pts = sent.front();
                sent.pop_front();
            }
            std::optional<SceneSignature> signature = maker.make(*frame);
            av_frame_unref(frame.get());
            if (pts == AV_NOPTS_VALUE || !signature)
                continue;
            const double at = seconds(*input, pts);
            if (!keyframes.empty() && at <= keyframes.back().seconds)
                continue; // out of order or repeated: nothing to compare with
            if (previous) {
                const float strength = SceneSignature::difference(*previous, *signature);
                if (strength > candidateThreshold)
                    candidates.push_back({keyframes.size(), strength});
            }
            keyframes.push_back({at, pts});
            previous = std::move(signature);
            if (m_duration > 0)
                report(keyframeShare * at / m_duration);
        }
    };
    for (;;) {
        if (m_stop.stop_requested()) {
            fail(MediaError::stopped(MediaError::Step::decode));
            return false;
        }
        const int rc = av_read_frame(format, packet.get());
        if (rc < 0) {
            if (m_stop.stop_requested()) {
                fail(MediaError::stopped(MediaError::Step::decode));
                return false;
            }
            // The end, or data that cannot be read past: what was found stands.
            avcodec_send_packet(codec, nullptr);
            take();
            break;
        }
        if (packet->stream_index == input->streamIndex() && (packet->flags & AV_PKT_FLAG_KEY)) {
            const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (avcodec_send_packet(codec, packet.get()) == 0 && pts != AV_NOPTS_VALUE)
                sent.push_back(pts);
            take();
        }
        av_packet_unref(packet.get());
    }
    if (keyframes.empty()) {
        fail(MediaError::failed(MediaError::Step::decode, QStringLiteral("no keyframe could be decoded")));
        return false;
    }
    return true;
}

std::optional<std::vector<ScenePlanning::Cut>> Scanner::refine(const std::vector<Keyframe> &keyframes, size_t after,
                                                               Lane &lane)
{
    if (!lane.input) {
        MediaError openError;
        lane.input = VideoInput::open(m_path, interrupted(), VideoInput::Threads{1, FF_THREAD_SLICE}, &openError);
        if (!lane.input) {
            fail(openError);
            return std::nullopt;
        }
        AVFormatContext *format = lane.input->format();
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            if (int(i) != lane.input->streamIndex())
                format->streams[i]->discard = AVDISCARD_ALL;
        }
        // A signature 32 pixels wide cannot tell the deblocking filter's
        // work, and skipping it makes decoding a good part faster.
        lane.input->codec()->skip_loop_filter = AVDISCARD_ALL;
        lane.cursor = std::make_unique<FrameCursor>(*lane.input);
    }
    VideoInput &input = *lane.input;
    FrameCursor &cursor = *lane.cursor;
    const Keyframe &from = keyframes[after - 1];
    const Keyframe &to = keyframes[after];
    // Over a long gap, keyframes and predicted frames only: no picture
    // depends on a B-frame but other B-frames, and a cut still shows at the
    // next predicted frame, a few frames into the new scene, which the shot's
    // lead into the scene leaves room for. A short gap is cheap either way,
    // and at a low frame rate the skipped run lasts long enough for fast
    // motion to jump like a cut: those are decoded more closely, only the
    // frames nothing refers to left out.
    const bool sparse = to.seconds - from.seconds > refineGap && m_frameRate >= 20;
    cursor.setSkipLevel(sparse ? AVDISCARD_BIDIR : AVDISCARD_NONREF);
    if (!cursor.seek(from.pts, false)) {
        fail(cursor.error());
        return std::nullopt;
    }
    const FrameSource::Skippable skipAll = [](int64_t, int64_t) { return true; };
    SignatureMaker maker;
    std::optional<SceneSignature> previous;
    // Each decoded frame's difference from the one before, up to the frame
    // after the later keyframe, so that a cut there has both neighbours.
    struct Step {
        double seconds;  // of the later frame
        float difference;
        double span;     // seconds since the frame before
    };
    std::vector<Step> steps;
    double last = 0;
    while (FramePtr frame = cursor.next(skipAll)) {
        const int64_t pts = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE || pts < from.pts)
            continue;
        std::optional<SceneSignature> signature = maker.make(*frame);
        if (!signature)
            continue;
        const double at = seconds(input, pts);
        if (previous)
            steps.push_back({at, SceneSignature::difference(*previous, *signature), std::max(at - last, 1e-3)});
        previous = std::move(signature);
        last = at;
        if (pts > to.pts)
            break;
    }
    if (m_stop.stop_requested()) {
        fail(MediaError::stopped(MediaError::Step::decode));
        return std::nullopt;
    }
    // A cut is a jump, not a fast scene: it must also stand out from the
    // steps either side of it (a scene of noise or fast motion changes a lot
    // between every two frames; a cut changes much more once). Steps are
    // compared per second, because the frames skipped between two decoded
    // ones vary with the encoder's choice of B-frames.
    std::vector<ScenePlanning::Cut> cuts;
    for (size_t i = 0; i < steps.size(); ++i) {
        const double before = i > 0 ? steps[i - 1].difference / steps[i - 1].span : 0;
        const double after = i + 1 < steps.size() ? steps[i + 1].difference / steps[i + 1].span : 0;
        const float difference = steps[i].difference;
        if (difference > cutThreshold && difference > jump * std::max(before, after) * steps[i].span)
            cuts.push_back({steps[i].seconds, difference});
    }
    return cuts;
}

} // namespace

std::optional<Scan> scan(const QString &path, double duration, long long most, const Progress &progress,
                         std::stop_token stop, MediaError *error)
{
    Scanner scanner(path, duration, progress, std::move(stop), error);
    std::vector<Keyframe> keyframes;
    std::vector<Candidate> candidates;
    if (!scanner.keyframePass(keyframes, candidates))
        return std::nullopt;

    Scan result;
    result.keyframes.reserve(keyframes.size());
    for (const Keyframe &keyframe : keyframes)
        result.keyframes.push_back(keyframe.seconds);

    // Strongest first, so that once enough cuts are confirmed the rest can
    // stay unrefined: they would not be kept anyway.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.strength > b.strength; });
    const size_t wanted = size_t(std::max<long long>(0, most - 1));
    std::vector<Scanner::Lane> lanes(size_t(std::clamp(int(std::thread::hardware_concurrency()), 1, maxLanes)));
    std::vector<std::optional<std::vector<ScenePlanning::Cut>>> found(lanes.size());
    for (size_t next = 0; next < candidates.size() && result.cuts.size() < wanted;) {
        // Keyframes may differ by motion alone, even a second apart in a
        // fast scene (and encoders put extra keyframes into those); only a
        // jump between neighbouring frames is a cut. The next few strongest
        // gaps are decoded at once, one per lane.
        const size_t batch = std::min(lanes.size(), candidates.size() - next);
        {
            std::vector<std::jthread> helpers;
            for (size_t k = 1; k < batch; ++k) {
                helpers.emplace_back([&, k] { found[k] = scanner.refine(keyframes, candidates[next + k].after, lanes[k]); });
            }
            found[0] = scanner.refine(keyframes, candidates[next].after, lanes[0]);
        }
        for (size_t k = 0; k < batch; ++k) {
            if (!found[k])
                return std::nullopt;
            // Ranked by how much the two keyframes differ: the order they
            // were confirmed in is then the order of strength, so stopping
            // early keeps the same cuts a full scan would.
            if (result.cuts.size() < wanted) {
                for (ScenePlanning::Cut cut : *found[k]) {
                    cut.strength = candidates[next + k].strength;
                    result.cuts.push_back(cut);
                }
            }
            ++result.refined;
        }
        next += batch;
        if (wanted > 0)
            scanner.report(keyframeShare + (1 - keyframeShare) * double(result.cuts.size()) / double(wanted));
    }
    std::sort(result.cuts.begin(), result.cuts.end(),
              [](const ScenePlanning::Cut &a, const ScenePlanning::Cut &b) { return a.start < b.start; });
    scanner.report(1);
    return result;
}

} // namespace SceneScanner
